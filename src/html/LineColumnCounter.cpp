#include "html/LineColumnCounter.h"

#include <algorithm>

void CLineColumnCounter::AdvanceTo(std::size_t nOffset)
{
    nOffset = std::min(nOffset, m_text.size());
    while (m_nCounted < nOffset) {
        const char ch = m_text[m_nCounted];
        if (ch == '\r' || ch == '\n') {
            // The LF of a CR LF ends no second line.
            const bool bCrLf = ch == '\r' && m_nCounted + 1 < m_text.size() && m_text[m_nCounted + 1] == '\n';
            m_nCounted += bCrLf ? 2 : 1;
            ++m_nLine;
            m_nColumn = 1;
        } else {
            m_nCounted += CharacterLength(m_nCounted);
            ++m_nColumn;
        }
    }
}

std::size_t CLineColumnCounter::CharacterLength(std::size_t nOffset) const
{
    const auto nLead = static_cast<unsigned char>(m_text[nOffset]);
    std::size_t nLength = 1;
    unsigned char nMin = 0x80;
    unsigned char nMax = 0xBF;
    if (nLead >= 0xC2 && nLead <= 0xDF) {
        nLength = 2;
    } else if (nLead >= 0xE0 && nLead <= 0xEF) {
        nLength = 3;
        nMin = nLead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        nMax = nLead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (nLead >= 0xF0 && nLead <= 0xF4) {
        nLength = 4;
        nMin = nLead == 0xF0 ? 0x90 : 0x80;
        nMax = nLead == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
    }
    if (nLength == 1 || nOffset + nLength > m_text.size())
        return 1;
    for (std::size_t i = 1; i < nLength; ++i) {
        const auto nByte = static_cast<unsigned char>(m_text[nOffset + i]);
        if (nByte < (i == 1 ? nMin : 0x80) || nByte > (i == 1 ? nMax : 0xBF))
            return 1;
    }
    return nLength;
}
