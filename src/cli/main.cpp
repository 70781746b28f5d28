#include "cli/CliInterrupt.h"
#include "cli/RunCli.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    CCliInterrupt::Install();
    return RunCli(argc, argv, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
