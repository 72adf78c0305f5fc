// The program entry; the whole start-up order lives in shell/startup.cpp.
int main(int argc, char **argv)
{
    (void)argc; (void)argv;
    return 0;
}
