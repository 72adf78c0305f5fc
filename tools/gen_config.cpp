// The starting settings of a first run: the player and five robots on the gates of the default
// track. Written as "config" into the data folder; "@config" is looked up in the home folder
// first, so once the game has saved its own settings there this file is no longer read.
#include <cstdio>
#include <string>

static const char starting_config[] =
    "slot00=Human\n"
    "slot01=Robot\n"
    "slot02=Robot\n"
    "slot03=Robot\n"
    "slot04=Robot\n"
    "slot05=Robot\n"
    "track=ridgeback\n";

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: gen_config OUTPUT_FOLDER\n");
        return 2;
    }
    std::string out = argv[1];
    if (out.back() != '/') out += '/';
    std::string path = out + "config", temp = path + ".tmp";
    FILE *f = fopen(temp.c_str(), "wb");
    if (!f) {
        fprintf(stderr, "gen_config: cannot write %s\n", temp.c_str());
        return 1;
    }
    bool ok = fputs(starting_config, f) >= 0;
    ok = fclose(f) == 0 && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        fprintf(stderr, "gen_config: cannot write %s\n", path.c_str());
        remove(temp.c_str());
        return 1;
    }
    return 0;
}
