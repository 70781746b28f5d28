#pragma once

#include <string>

/// The command's name, which starts every message it writes.
inline constexpr const char* PROGRAM = "lintrel-cli";
/// Ends every message of a usage error.
inline constexpr const char* MORE_HELP = "\nRun with --help for more information.\n";

/// An argument as a message echoes it: by its two ends when it is long.
std::string Abbreviate(const std::string& str);
