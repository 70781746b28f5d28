#include "html/CharacterReference.h"

#include "html/NamedReferenceTable.h"

#include <algorithm>

namespace {

// The longest name in the table, ';' included.
constexpr std::size_t MAX_NAME = 32;

bool IsAlphanumeric(char ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

const CNamedReferenceTable::SEntry* FindName(std::string_view strName)
{
    const auto entries = CNamedReferenceTable::Entries();
    const auto it = std::lower_bound(entries.begin(), entries.end(), strName,
        [](const CNamedReferenceTable::SEntry& entry, std::string_view name) { return entry.strName < name; });
    return it != entries.end() && it->strName == strName ? &*it : nullptr;
}

// Code points 0x80-0x9F named by number mean the windows-1252 characters
// of those bytes; zero marks those that stay.
constexpr std::uint32_t C1_REPLACEMENTS[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
    0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
    0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void AppendUtf8(std::uint32_t nCode, std::string& strOut)
{
    if (nCode < 0x80) {
        strOut.push_back(static_cast<char>(nCode));
    } else if (nCode < 0x800) {
        strOut.push_back(static_cast<char>(0xC0 | (nCode >> 6)));
        strOut.push_back(static_cast<char>(0x80 | (nCode & 0x3F)));
    } else if (nCode < 0x10000) {
        strOut.push_back(static_cast<char>(0xE0 | (nCode >> 12)));
        strOut.push_back(static_cast<char>(0x80 | ((nCode >> 6) & 0x3F)));
        strOut.push_back(static_cast<char>(0x80 | (nCode & 0x3F)));
    } else {
        strOut.push_back(static_cast<char>(0xF0 | (nCode >> 18)));
        strOut.push_back(static_cast<char>(0x80 | ((nCode >> 12) & 0x3F)));
        strOut.push_back(static_cast<char>(0x80 | ((nCode >> 6) & 0x3F)));
        strOut.push_back(static_cast<char>(0x80 | (nCode & 0x3F)));
    }
}

std::size_t DecodeNumeric(std::string_view text, std::size_t nAmpersand, std::string& strOut)
{
    std::size_t nPos = nAmpersand + 2;
    const bool bHex = nPos < text.size() && (text[nPos] == 'x' || text[nPos] == 'X');
    nPos += bHex ? 1 : 0;
    const std::size_t nDigits = nPos;
    std::uint32_t nCode = 0;
    for (; nPos < text.size(); ++nPos) {
        const int nDigit
            = bHex ? HexValue(text[nPos]) : (text[nPos] >= '0' && text[nPos] <= '9' ? text[nPos] - '0' : -1);
        if (nDigit < 0)
            break;
        // Anything past U+10FFFF is replaced alike, however long.
        nCode = std::min<std::uint32_t>(nCode * (bHex ? 16u : 10u) + static_cast<std::uint32_t>(nDigit), 0x110000);
    }
    if (nPos == nDigits) {
        // No digits: the characters stay as written.
        strOut.append(text.substr(nAmpersand, nPos - nAmpersand));
        return nPos;
    }
    if (nPos < text.size() && text[nPos] == ';')
        ++nPos;
    CCharacterReference::AppendNumeric(nCode, strOut);
    return nPos;
}

} // namespace

void CCharacterReference::AppendNumeric(std::uint32_t nCodePoint, std::string& strOut)
{
    if (nCodePoint == 0 || nCodePoint > 0x10FFFF || (nCodePoint >= 0xD800 && nCodePoint <= 0xDFFF))
        nCodePoint = 0xFFFD;
    else if (nCodePoint >= 0x80 && nCodePoint <= 0x9F && C1_REPLACEMENTS[nCodePoint - 0x80] != 0)
        nCodePoint = C1_REPLACEMENTS[nCodePoint - 0x80];
    AppendUtf8(nCodePoint, strOut);
}

std::size_t CCharacterReference::DecodeInAttribute(std::string_view text, std::size_t nAmpersand, std::string& strOut)
{
    const std::size_t nStart = nAmpersand + 1;
    if (nStart < text.size() && text[nStart] == '#')
        return DecodeNumeric(text, nAmpersand, strOut);
    std::size_t nEnd = nStart;
    while (nEnd < text.size() && nEnd - nStart < MAX_NAME && IsAlphanumeric(text[nEnd]))
        ++nEnd;
    const bool bSemicolon = nEnd < text.size() && text[nEnd] == ';';
    // The longest name that matches wins; only a whole name ends in ';'.
    for (std::size_t nLength = nEnd - nStart + (bSemicolon ? 1 : 0); nLength > 0; --nLength) {
        const CNamedReferenceTable::SEntry* pEntry = FindName(text.substr(nStart, nLength));
        if (pEntry == nullptr)
            continue;
        const std::size_t nAfter = nStart + nLength;
        // In an attribute, "&copy=" and "&copyx" are text, so query strings survive.
        if (pEntry->strName.back() != ';' && nAfter < text.size()
            && (text[nAfter] == '=' || IsAlphanumeric(text[nAfter]))) {
            strOut.append(text.substr(nAmpersand, nAfter - nAmpersand));
            return nAfter;
        }
        strOut.append(pEntry->strValue);
        return nAfter;
    }
    strOut.push_back('&');
    return nStart;
}
