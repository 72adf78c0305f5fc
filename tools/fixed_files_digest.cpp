// Writes the digest of the fixed collision-shape files that the generators made as a source
// file for the game: a race server accepts clients whose shapes match, so the game built with
// these files must accept them too. Run with RL_HOME set to the game's folder.
#include <cstdio>
#include <string>

#include "data/paths.h"
#include "racing/net_client.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: fixed_files_digest OUTPUT.cpp\n");
        return 2;
    }
    char hex[41];
    fixed_files_digest_hex(hex);
    search_folders_free();
    const std::string temp = std::string(argv[1]) + ".tmp";
    FILE *f = fopen(temp.c_str(), "w");
    if (!f) return 1;
    fprintf(f, "// Made by the build from its own fixed shape files.\n"
               "extern \"C\" const char rl_fixed_files_digest[] = \"%s\";\n", hex);
    if (fclose(f) != 0 || rename(temp.c_str(), argv[1]) != 0) return 1;
    return 0;
}
