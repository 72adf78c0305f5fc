// tests/data/data_fixture.h — what the data tests share: a temporary home and data folder
// behind the search folders, and the text of the log this test program writes.
#pragma once
#include <gtest/gtest.h>
#include <string>

// XDG_DATA_HOME and RL_HOME point into a fresh temporary root; the search folders are rebuilt
// from them. home ends in "Rutline/" and is not created; data is.
class SearchFolders : public ::testing::Test {
protected:
    std::string root, home, data;
    void SetUp() override;
    void TearDown() override;
};

// Everything logged so far by this process (the log goes to a temporary file).
std::string test_log_text(void);

// gzip bytes of text: flags as in the header byte, with the optional fields they ask for.
std::string gzip_bytes(const std::string &text, int flags = 0);
// Raw deflate data of text (no header, no trailer).
std::string deflate_raw(const std::string &text);
