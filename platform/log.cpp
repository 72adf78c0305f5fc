// The log file. Lines come from the game thread, the audio thread and device code at once, so
// the first-call opening, the stamp and the text are done under one lock and written with one
// fwrite: no line is ever cut into by another.
#include "platform/log.h"
#include "platform/clock.h"
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

struct log_state {
    std::mutex lock;
    FILE *file;
    int   started;          // the first message has been handled
    char  name[1024];       // the name the file was opened under
};

static log_state g_log;

static const char k_handoff[] = "KUBL_LOGFILE=";

// Writes one stamped line; the lock is held by the caller.
static void log_write_line(const char *text, size_t length)
{
    if (!g_log.file) return;
    int s, us;
    kubl_time_now(&s, &us);
    char line[2048];
    int stamp = snprintf(line, sizeof line, "[%d:%02d:%02d.%02d] ", s / 3600, (s / 60) % 60,
                         s % 60, us / 10000);
    if (stamp < 0) return;
    if ((size_t)stamp + length <= sizeof line) {
        memcpy(line + stamp, text, length);
        fwrite(line, 1, stamp + length, g_log.file);
    } else {
        // A long line: still one write, from a block of its own.
        char *big = (char *)malloc(stamp + length);
        if (big) {
            memcpy(big, line, stamp);
            memcpy(big + stamp, text, length);
            fwrite(big, 1, stamp + length, g_log.file);
            free(big);
        } else {
            fwrite(line, 1, stamp, g_log.file);
            fwrite(text, 1, length, g_log.file);
        }
    }
    fflush(g_log.file);
}

static void log_write_text(const char *text)
{
    log_write_line(text, strlen(text));
}

// The first message decides the file. Returns 1 when the message was the name hand-off (it is
// then not written).
static int log_first_message(const char *text)
{
    g_log.started = 1;
    const char *name = getenv("KUBL_LOGFILE");
    const char *flags = getenv("KUBL_LOGFILE_FLAGS");
    int handoff = strncmp(text, k_handoff, sizeof k_handoff - 1) == 0;
    char handed[1024];
    if (handoff && !name) {
        snprintf(handed, sizeof handed, "%s", text + sizeof k_handoff - 1);
        // The hand-off may carry the line end its caller is used to.
        size_t n = strlen(handed);
        while (n && (handed[n - 1] == '\n' || handed[n - 1] == '\r')) handed[--n] = 0;
        name = handed;
    }
    if (!name) return handoff;
    const char *mode = "w";
    if (!strncmp(name, ">>", 2)) {
        name += 2;
        mode = "a";
    } else if (name[0] == '>') {
        name += 1;
    }
    if (flags) mode = flags;
    snprintf(g_log.name, sizeof g_log.name, "%s", name);
    g_log.file = fopen(g_log.name, mode);
    if (g_log.file) {
        char opened[1100];
        snprintf(opened, sizeof opened, "Logfile \"%s\" opened\n", g_log.name);
        log_write_text(opened);
        log_write_text("KUBL 0.31\n");
    }
    return handoff;
}

static void log_close_locked(void)
{
    if (g_log.file) fclose(g_log.file);
    g_log.file = nullptr;
}

void kubl_log_printf(const char *format, ...)
{
    if (!format) {
        std::lock_guard<std::mutex> hold(g_log.lock);
        log_close_locked();
        g_log.started = 1;
        return;
    }
    // Formatted outside the lock: only the file needs it.
    char small[1024];
    char *text = small;
    va_list ap;
    va_start(ap, format);
    int length = vsnprintf(small, sizeof small, format, ap);
    va_end(ap);
    if (length < 0) return;
    if ((size_t)length >= sizeof small) {
        text = (char *)malloc((size_t)length + 1);
        if (!text) {
            text = small;
            length = (int)strlen(small);
        } else {
            va_start(ap, format);
            vsnprintf(text, (size_t)length + 1, format, ap);
            va_end(ap);
        }
    }
    {
        std::lock_guard<std::mutex> hold(g_log.lock);
        int skip = 0;
        if (!g_log.started) skip = log_first_message(text);
        if (!skip && text[0] != 0x13) log_write_line(text, (size_t)length);
    }
    if (text != small) free(text);
}

void kubl_log_error(const char *text)
{
    kubl_log_printf("Error: %s\n", text);
}

void kubl_log_reset(void)
{
    std::lock_guard<std::mutex> hold(g_log.lock);
    log_close_locked();
    g_log.started = 0;
    g_log.name[0] = 0;
}
