// The starting settings of a first run: the player and five robots on the gates of the default
// track. Written as "config" into the data folder; "@config" is looked up in the home folder
// first, so once the game has saved its own settings there this file is no longer read.
// Beside it, our points series over our two tracks, "series/ridgeback-cup.series".
#include <cstdio>
#include <string>
#include <sys/stat.h>

static const char starting_config[] =
    "slot00=Human\n"
    "slot01=Robot\n"
    "slot02=Robot\n"
    "slot03=Robot\n"
    "slot04=Robot\n"
    "slot05=Robot\n"
    "track=ridgeback\n"
    // The on-board eye sits between the rider's shoulders, just behind the bars: looking a little
    // down brings the bars and the hands on them into view along with the track ahead.
    "first_person_angle=25\n";

// Title; riders and skill; their race numbers (robots of the catalogue); events, each a name, a
// track folder, minutes and laps, 40 points by finishing place and 40 round points (a first
// entry above 0: the event closes a round of its own).
static const char points_row[] = "25 22 20 18 16 15 14 13 12 11 10 9 8 7 6 5 4 3 2 1 "
                                 "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";
static std::string cup_series(void)
{
    std::string text = "\"Ridgeback Cup\"\n5 Amateur\n2 148 185 5 259\n2\n";
    text += std::string("\"Practice Loop\" ridgeback-practice 0 2\n") + points_row + points_row;
    text += std::string("\"Ridgeback\" ridgeback 0 3\n") + points_row + points_row;
    return text;
}

static bool write_file(const std::string &path, const std::string &text)
{
    const std::string temp = path + ".tmp";
    FILE *f = fopen(temp.c_str(), "wb");
    if (!f) {
        fprintf(stderr, "gen_config: cannot write %s\n", temp.c_str());
        return false;
    }
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = fclose(f) == 0 && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        fprintf(stderr, "gen_config: cannot write %s\n", path.c_str());
        remove(temp.c_str());
        return false;
    }
    return true;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: gen_config OUTPUT_FOLDER\n");
        return 2;
    }
    std::string out = argv[1];
    if (out.back() != '/') out += '/';
    if (!write_file(out + "config", starting_config)) return 1;
    mkdir((out + "series").c_str(), 0777);   // an existing folder is what we want
    return write_file(out + "series/ridgeback-cup.series", cup_series()) ? 0 : 1;
}
