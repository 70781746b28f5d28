#pragma once

#include "report/FindingFormat.h"

/// Markdown for an issue or a job summary: a title, one summary line, and a
/// table of the links without a good status (none when every link is good).
class CMarkdownWriter : public CFindingFormat {
public:
    using CFindingFormat::CFindingFormat;

    void Write(std::ostream& out) const override;

    /// str as one table cell: "|" and "\" escaped, line breaks and other
    /// control characters as spaces.
    static std::string EscapeCell(const std::string& str);
};
