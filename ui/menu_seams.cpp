// Stand-in for the console's line editing until its module lands: the console line is edited
// as a text field.
#include "ui/menu_seams.h"
#include "ui/menu.h"

void console_input_key(int key) { widget_text_key(&console_input, key); }
