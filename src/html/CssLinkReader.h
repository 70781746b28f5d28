#pragma once

#include "html/CssReference.h"

#include <string_view>
#include <vector>

/// Reads the URLs a stylesheet names, tokenized as CSS syntax reads it:
/// every url(...), quoted or not, and every @import, of a string or of a
/// url(...), wherever it stands. Nothing is read from comments, strings
/// other than those, or bad url(...) tokens. Empty and fragment-only values
/// are left out; values are not resolved.
class CCssLinkReader {
public:
    /// The references of strText in source order. Its first character
    /// stands at nLine, nColumn of the document it belongs to (a page's
    /// <style> text or style attribute value), and positions count from
    /// there; a whole stylesheet starts at 1, 1.
    static std::vector<SCssReference> Read(std::string_view strText, int nLine = 1, int nColumn = 1);
};
