#pragma once

#include <string>

/// One URL a stylesheet names: its value with escapes decoded, and where
/// the token that holds it begins (1-based line and column, columns in
/// characters): the "u" of url(, the "@" of @import url(...), or the
/// opening quote of @import "...". bImport tells an @import.
struct SCssReference {
    std::string strValue;
    int nLine = 1;
    int nColumn = 1;
    bool bImport = false;
};
