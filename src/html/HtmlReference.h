#pragma once

#include <string_view>

/// One URL value a page's markup names, where its element's start tag
/// begins: the line and column (1-based, columns in characters) of its "<".
struct SHtmlReference {
    std::string_view strValue;
    int nLine;
    int nColumn;
};
