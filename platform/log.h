// platform/log.h — the stamped log file ("lastlog.txt"), opened on the first message.
#pragma once

// printf-style; a null format closes the log for good.
void kubl_log_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
void kubl_log_error(const char *text);                 // "Error: %s\n"
