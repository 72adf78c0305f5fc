// platform/log.h — the stamped log file ("lastlog.txt"), opened on the first message.
//
// The file is named by KUBL_LOGFILE or, failing that, by the first message when it reads
// "KUBL_LOGFILE=<name>" (the home-folder set-up hands its default name in that way; that message
// is not written). A name starting ">>" is appended to, ">" or none truncates; KUBL_LOGFILE_FLAGS
// replaces the fopen mode. Every line is stamped "[h:mm:ss.hh] " from kubl_time_now. Safe to call
// from any thread: each line goes out whole.
#pragma once

// printf-style; a null format closes the log for good.
void kubl_log_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
void kubl_log_error(const char *text);                 // "Error: %s\n"

// Closes the log and forgets that the first message was handled, so the next message opens it
// afresh (tests run the log more than once in one process).
void kubl_log_reset(void);
