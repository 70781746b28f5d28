#include "html/LineColumnCounter.h"

#include "link/Utf8Sequence.h"

#include <algorithm>

void CLineColumnCounter::AdvanceTo(std::size_t nOffset)
{
    nOffset = std::min(nOffset, m_text.size());
    while (m_nCounted < nOffset) {
        const char ch = m_text[m_nCounted];
        if (static_cast<unsigned char>(ch) < 0x80 && ch != '\r' && ch != '\n') {
            ++m_nCounted;
            ++m_nColumn;
        } else if (ch == '\r' || ch == '\n') {
            // The LF of a CR LF ends no second line.
            const bool bCrLf = ch == '\r' && m_nCounted + 1 < m_text.size() && m_text[m_nCounted + 1] == '\n';
            m_nCounted += bCrLf ? 2 : 1;
            ++m_nLine;
            m_nColumn = 1;
        } else {
            // A byte that starts no well-formed character is one of its own.
            const std::size_t nLength = CUtf8Sequence::Length(m_text, m_nCounted);
            m_nCounted += nLength == 0 ? 1 : nLength;
            ++m_nColumn;
        }
    }
}
