#pragma once

#include <string>
#include <string_view>

/// Reads a page with CHtmlLinkReader and with the gumbo reader and says
/// where their (value, line, column) lists or bases part: the first
/// reference that differs, or empty when they agree.
class CReaderDifference {
public:
    static std::string Find(std::string_view strUtf8);
    /// True when the page holds markup where gumbo departs from the
    /// standard (the table of HtmlReaderDifferentialTest), so the readers
    /// may rightly differ.
    static bool IsGumboError(std::string_view strUtf8);
};
