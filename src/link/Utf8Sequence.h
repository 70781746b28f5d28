#pragma once

#include <cstddef>
#include <string_view>

/// Where pages and servers send bytes that may or may not be UTF-8, the
/// characters are read one well-formed sequence at a time.
class CUtf8Sequence {
public:
    /// Bytes of the well-formed UTF-8 character starting at nPos (1 to 4;
    /// no overlong forms, surrogates or values past U+10FFFF); 0 when none
    /// starts there or nPos lies past the text.
    static std::size_t Length(std::string_view text, std::size_t nPos);
};
