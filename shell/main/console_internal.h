// shell/main/console_internal.h — what the console's own files share.
#pragma once

struct bike;
struct console_ops;

extern const console_ops *console_ops_in_use;
int   console_is_blank(char c);       // space or tab
bike *console_viewed_bike(void);      // the viewed slot's bike, null when none
void  cmd_readsetup(const char *arg);
void  cmd_writesetup(const char *arg);
void  cmd_listfiles(const char *pattern);
void  console_chat_reset(void);
