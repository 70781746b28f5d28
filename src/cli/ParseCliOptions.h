#pragma once

#include "cli/CliOptions.h"

#include <optional>
#include <ostream>

/// Reads argv, and the settings file it names or ./lintrel.toml, into
/// options. Returns the exit status when the run ends here: after --help
/// or --version (written to out), or a usage error (written to err).
std::optional<int> ParseCliOptions(
    int argc, const char* const* argv, CCliOptions& options, std::ostream& out, std::ostream& err);
