#include "link/Utf8Sequence.h"

std::size_t CUtf8Sequence::Length(std::string_view text, std::size_t nPos)
{
    if (nPos >= text.size())
        return 0;
    const auto nLead = static_cast<unsigned char>(text[nPos]);
    if (nLead < 0x80)
        return 1;
    std::size_t nLength = 0;
    // The second byte's range is narrower after some leads: that is what
    // rules out overlong forms, surrogates and values past U+10FFFF.
    unsigned char nMin = 0x80;
    unsigned char nMax = 0xBF;
    if (nLead >= 0xC2 && nLead <= 0xDF) {
        nLength = 2;
    } else if (nLead >= 0xE0 && nLead <= 0xEF) {
        nLength = 3;
        nMin = nLead == 0xE0 ? 0xA0 : 0x80;
        nMax = nLead == 0xED ? 0x9F : 0xBF;
    } else if (nLead >= 0xF0 && nLead <= 0xF4) {
        nLength = 4;
        nMin = nLead == 0xF0 ? 0x90 : 0x80;
        nMax = nLead == 0xF4 ? 0x8F : 0xBF;
    }
    if (nLength == 0 || nPos + nLength > text.size())
        return 0;
    for (std::size_t i = 1; i < nLength; ++i) {
        const auto nByte = static_cast<unsigned char>(text[nPos + i]);
        if (nByte < (i == 1 ? nMin : 0x80) || nByte > (i == 1 ? nMax : 0xBF))
            return 0;
    }
    return nLength;
}
