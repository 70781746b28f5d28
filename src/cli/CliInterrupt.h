#pragma once

/// Ctrl-C on the command line: the first asks the crawl to stop after the
/// request in progress; the second ends the program at once.
class CCliInterrupt {
public:
    /// Installs the process's SIGINT handler.
    static void Install();
    /// Restores the default SIGINT handling and forgets earlier presses.
    static void Uninstall();
    /// True once Ctrl-C has been pressed since Install.
    static bool IsStopRequested();
};
