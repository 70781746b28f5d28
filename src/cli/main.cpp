#include "cli/CliInterrupt.h"
#include "cli/RunCli.h"

#include <csignal>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    CCliInterrupt::Install();
    // A reader that goes away (| head -1) ends the rows quietly, with the
    // report still written, instead of killing the program mid-write.
    std::signal(SIGPIPE, SIG_IGN);
    return RunCli(argc, argv, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
