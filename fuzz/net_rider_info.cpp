// A rider info text from the race server, parsed into a slot.
#include "racing/net_client.h"
#include "racing/race_state.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text((const char *)data, size);
    rider_info_parse(7, text.c_str());
    const net_slot_record &r = net_slot_info[7];
    if (strlen(r.number) > 3) abort();
    if (r.name && strlen(r.name) >= RIDER_FIELD_BYTES) abort();
    // Variant names that are not ours never become texture names.
    if (r.body || r.graphics || r.wheels || r.helmet) abort();
    net_slot_info_clear();
    return 0;
}
