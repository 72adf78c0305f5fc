// make_catalogue_data SOURCE_FOLDER — writes SOURCE_FOLDER/bike/bike_catalogue_data.cpp, the
// per-model numbers of the bike catalogue. Run by hand when the draw rules change on purpose, and
// commit the result; the build never runs it, so the numbers stay frozen.
#include "tools/catalogue_draw.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_catalogue_data SOURCE_FOLDER\n");
        return 2;
    }
    std::string path = std::string(argv[1]) + "/bike/bike_catalogue_data.cpp";
    if (!gen::write_text(path, catalogue_draw::source())) {
        std::fprintf(stderr, "make_catalogue_data: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
