// platform/os/os_msgbox.h — the system's modal message box.
#pragma once

// Shows an OK box with the title and text and waits for it to be closed. 1 when shown.
int os_message_box(const char *title, const char *text);
