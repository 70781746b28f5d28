#pragma once

#include "cli/CliOptions.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

/// Reads argv, and the settings file it names or ./lintrel.toml, into
/// options. Returns the exit status when the run ends here: after --help
/// or --version (written to out), or a usage error (written to err).
std::optional<int> ParseCliOptions(
    int argc, const char* const* argv, CCliOptions& options, std::ostream& out, std::ostream& err);

/// Parses arguments (options only, no URL) as the modern mode's settings,
/// checked as the command line checks them; no settings file is read. The
/// first refusal's message, without the program's name; nothing when every
/// one is accepted.
std::optional<std::string> ParseSettings(const std::vector<std::string>& arguments, CCliOptions& options);
/// Reads the settings file strPath as --config does, into options; given
/// gets the long names of the options it sets. The message of a refusal,
/// naming the file (and the line and key where there is one); nothing when
/// the file is accepted.
std::optional<std::string> ReadSettingsFile(
    const std::string& strPath, CCliOptions& options, std::vector<std::string>& given);
