// Arbitrary text through data_scanf with the formats the loaders use. The first byte picks the
// format; the rest is the file. Every record is read until the file ends, skipping one byte after a
// record that does not parse, as a tolerant loader would.
#include "data/stream.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static const char *const formats[] = {
    " [ %f %f %f ] %f %f ", "%d %1023s", " %1[#]%*[^\n]", "%f %f %f %f %f %d %d",
    "%i", "%x", "%1023[^\n]", "%lf %Lf %hd %n%3c %o",
};

static std::string temp_path(void)
{
    static std::string path;
    if (path.empty()) {
        char dir[] = "/tmp/rl_fuzz_scanf_XXXXXX";
        if (!temp_folder_make(dir)) abort();
        path = std::string(dir) + "/input";
    }
    return path;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    const char *format = formats[data[0] % (sizeof formats / sizeof formats[0])];
    std::string path = temp_path();
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fwrite(data + 1, 1, size - 1, f);
    fclose(f);

    data_stream *s = data_open(path.c_str(), "rb");
    if (!s) abort();
    static char text[2][1024];
    float reals[5];
    int ints[2];
    double d;
    long double e;
    short h;
    for (size_t round = 0; round <= size; ++round) {
        int got;
        if (data[0] % 8 == 7) got = data_scanf(s, format, &d, &e, &h, &ints[0], text[0], &ints[1]);
        else if (data[0] % 8 == 3) got = data_scanf(s, format, &reals[0], &reals[1], &reals[2], &reals[3], &reals[4], &ints[0], &ints[1]);
        else if (data[0] % 8 == 0) got = data_scanf(s, format, &reals[0], &reals[1], &reals[2], &reals[3], &reals[4]);
        else if (data[0] % 8 == 1) got = data_scanf(s, format, &ints[0], text[0]);
        else if (data[0] % 8 == 2 || data[0] % 8 == 6) got = data_scanf(s, format, text[0]);
        else got = data_scanf(s, format, &ints[0]);
        if (got <= 0 && data_getc(s) < 0) break;
    }
    data_close(s);
    return 0;
}
