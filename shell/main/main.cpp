// The program entry; the whole start-up order lives in shell/main/startup.cpp.
#include "shell/main/startup.h"

int main(int argc, char **argv)
{
    return rutline_main(argc, argv);
}
