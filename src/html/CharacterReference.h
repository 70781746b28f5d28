#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

/// The character references of an attribute value as the HTML tokenizer
/// reads them: named (the standard's whole table, the longest name that
/// matches), decimal and hexadecimal.
class CCharacterReference {
public:
    /// Reads the reference whose '&' is at text[nAmpersand], appending what
    /// it stands for to strOut (the characters as written when they make no
    /// reference); returns the offset just past what was read. A reference
    /// reads only letters, digits, '#' and ';', none of which ends a value.
    static std::size_t DecodeInAttribute(std::string_view text, std::size_t nAmpersand, std::string& strOut);
    /// Appends nCodePoint as UTF-8, replacing what a numeric reference may
    /// not name (zero, surrogates, beyond U+10FFFF, C1 controls) as the
    /// standard replaces it.
    static void AppendNumeric(std::uint32_t nCodePoint, std::string& strOut);
};
