#pragma once

#include <ostream>

/// Exit statuses of the command line.
constexpr int EXIT_ALL_GOOD = 0;
constexpr int EXIT_SOME_BAD = 1;
constexpr int EXIT_CANNOT_RUN = 2;

/// The whole command line: parses argv, crawls, writes the rows to out and
/// every message to err, and writes the report when asked. bProgress shows
/// a live progress line on err (for a terminal). Returns EXIT_ALL_GOOD when
/// every link has a good status, EXIT_SOME_BAD when any has not, and
/// EXIT_CANNOT_RUN for a usage error, a crawl that could not start, an
/// unreadable start page, or rows or a report that could not be written.
/// Rows cut short by a reader that went away (EPIPE) are no error.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool bProgress = false);
