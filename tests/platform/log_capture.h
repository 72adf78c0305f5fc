// tests/platform/log_capture.h — sends the platform log to a fresh temporary file for one test.
#pragma once
#include "fixtures/fixtures.h"
#include "platform/log.h"
#include <cstdlib>
#include <string>

struct LogCapture {
    std::string path;
    explicit LogCapture(const char *tag = "log")
    {
        path = fixture_temp_dir(tag) + "log.txt";
        setenv("KUBL_LOGFILE", path.c_str(), 1);
        unsetenv("KUBL_LOGFILE_FLAGS");
        kubl_log_reset();
    }
    ~LogCapture()
    {
        kubl_log_reset();
        unsetenv("KUBL_LOGFILE");
    }
    std::string text() const { return fixture_read_file(path); }
    bool has(const std::string &line) const { return text().find(line) != std::string::npos; }
};
