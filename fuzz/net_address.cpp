// A server address as typed into the Multiplayer page or given with "--connect": split into
// host and port, and resolved when the host is numeric (no name lookups while fuzzing).
#include "racing/udp.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text((const char *)data, size);
    std::string host(text.size() + 1, '\0');
    const int port = udp_split_address(text.c_str(), host.data(), 19800);
    if (port > 65535 || strlen(host.c_str()) > strlen(text.c_str())) abort();
    if (strspn(host.c_str(), "0123456789.") == strlen(host.c_str())) {
        net_address a;
        if (udp_resolve(&a, text.c_str(), 19800) && udp_address_port(&a) != port) abort();
    }
    return 0;
}
