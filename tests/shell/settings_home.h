// A fresh home folder (and an empty data folder) for tests that read or write "@" files.
#pragma once
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include <cstdlib>
#include <string>

inline std::string settings_fresh_home(const char *tag)
{
    std::string base = fixture_temp_dir(tag);
    setenv("XDG_DATA_HOME", (base + "xdg").c_str(), 1);
    setenv("RL_HOME", (base + "data").c_str(), 1);
    search_folders_free();
    return search_folder(0);   // ends in "Rutline/"
}
