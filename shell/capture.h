// shell/capture.h — taking the game's output out of the program: a screenshot on a key press,
// every drawn frame as a PPM image on standard output ("--record-video"), and the mixed sound of
// every tick into a raw file ("--record-audio": 690 samples a tick at 88320 Hz, unsigned 8-bit
// stereo, no header).
#pragma once

int  capture_audio_open(const char *file_name);   // 1 when the stream opened
void capture_audio_tick(void);                    // mixes one tick's block and writes it
void capture_audio_close(void);
void video_frame_write(int width, int height);
// The screenshot key: the next frame drawn is written as "screenshotNNN.png" in the home folder,
// one more than the highest number the file index knew at the first shot, never reusing a
// number and never replacing a file.
void take_screenshot(void);
// Called with each finished frame just before it is shown; writes the screenshot asked for.
void screenshot_frame_drawn(int width, int height);

// The number the next screenshot would get from these file names, as the first shot of a run
// works it out (names that begin "screenshot" and digits count, whatever their extension).
int  screenshot_highest_number(const char *const *names);
void capture_reset(void);   // the counter back to its start-up value
