// A server command text (reliable kind 24).
#include "racing/net_client.h"
#include "racing/race.h"
#include "racing/race_state.h"

#include <cmath>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text((const char *)data, size);
    net_client.race = 3;
    erode_level = -1;
    net_server_command(text.c_str());
    if (!std::isfinite(off_course_bias) || !std::isfinite(off_course_scale)) abort();
    for (int r : server_rules)
        if (r < 0 || r > 460800) abort();
    net_client_reset(nullptr);
    return 0;
}
