#include "cli/CliInterrupt.h"

#include <csignal>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_nPresses = 0;

extern "C" void OnInterrupt(int)
{
    if (g_nPresses == 0) {
        g_nPresses = 1;
        return;
    }
    // Ends the line the progress display left open, then dies of the signal
    // as the shell expects; both calls are safe inside a handler.
    (void)!::write(STDERR_FILENO, "\n", 1);
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
}

} // namespace

void CCliInterrupt::Install()
{
    g_nPresses = 0;
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
}

void CCliInterrupt::Uninstall()
{
    std::signal(SIGINT, SIG_DFL);
    g_nPresses = 0;
}

bool CCliInterrupt::IsStopRequested()
{
    return g_nPresses != 0;
}
