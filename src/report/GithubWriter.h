#pragma once

#include "report/FindingFormat.h"

/// Workflow commands for CI annotations: one "::error" line per place a
/// bad link was found, in row order; a local page gives its file, line and
/// column, a web page is named in the message.
class CGithubWriter : public CFindingFormat {
public:
    using CFindingFormat::CFindingFormat;

    void Write(std::ostream& out) const override;

    /// str as a command's message: "%", CR and LF escaped; other control
    /// characters as spaces.
    static std::string EscapeData(const std::string& str);
    /// str as a command's property value: also ":" and "," escaped.
    static std::string EscapeProperty(const std::string& str);
};
