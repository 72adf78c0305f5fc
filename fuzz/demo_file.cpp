// Arbitrary bytes as a demo file someone sent: the head read, packets played tick after tick,
// and the chain walked back and played again, with no bikes in the race.
#include "fuzz_input.h"
#include "track_fuzz.h"
#include "racing/demo.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/state_history.h"
#include "terrain/erosion.h"
#include "terrain/track_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_track_setup();
    static char *folders[1] = {(char *)"t"};
    track_list.folders = folders;
    track_list.count = 1;
    const std::string &path = fuzz_write_input("demo", "input.rldemo", data, size);
    demo_play_set_name(path.c_str());
    erode_queue_reset();
    history_clear();
    tick_count = 0;
    if (!demo_play_open()) return 0;
    for (int k = 0; k < demo_play_rider_count(); ++k) {
        demo_play_map(k, k);
        controller_kind[k] = CONTROLLER_REMOTE;
    }
    for (int step = 0; step < 64; ++step) {
        demo_play_tick();
        tick_count += 16;
    }
    const int ticks[] = {tick_count / 2, 0, tick_count + 100};
    for (int t : ticks) {
        if (!demo_play_seek(t)) continue;
        tick_count = t;
        history_clear();
        for (int step = 0; step < 4; ++step, tick_count += 16) demo_play_tick();
    }
    demo_play_close();
    return 0;
}
