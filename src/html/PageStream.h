#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// A fetched page read the way an input stream reads it: whitespace
/// (space, \t, \n, \v, \f, \r) skipped before every extraction, with the
/// good / end-of-file / failure state of an istream. Owns a copy of the page.
class CPageStream {
public:
    using Pos = std::ptrdiff_t;
    /// What GetPosition answers once the stream is no longer good.
    static constexpr Pos BAD_POS = -1;

    explicit CPageStream(std::string strDocument);

    bool IsGood() const { return !m_bEof && !m_bFail; }
    bool IsEof() const { return m_bEof; }
    bool IsFail() const { return m_bFail; }
    /// Clears end-of-file and failure.
    void Clear() { m_bEof = m_bFail = false; }

    /// The get position; BAD_POS (and failure set) when the stream is not good.
    Pos GetPosition();
    /// Clears end-of-file, then moves to nPos; failure set when nPos lies
    /// outside 0..size or the stream has already failed.
    void Seek(Pos nPos);
    /// The whole page, whatever the position.
    std::string_view GetDocument() const { return m_strDocument; }
    /// Limits the next ReadWord to nWidth - 1 characters; 0 means the buffer's size.
    void SetWidth(std::size_t nWidth) { m_nWidth = nWidth; }

    /// Skips whitespace; end-of-file (not failure) when the page ends.
    void SkipWhitespace();
    /// Skips whitespace, then takes one character. On failure (end-of-file
    /// and failure set) ch is left as it was. Returns true on success.
    bool ReadChar(char& ch);
    /// Skips whitespace, then copies up to the next whitespace, the end of
    /// the page or the width limit, zero-terminated; the width is reset.
    /// Failure set when nothing was copied. Returns true on success.
    template <std::size_t N> bool ReadWord(char (&szWord)[N])
    {
        static_assert(N > 0);
        std::size_t nLimit = m_nWidth > 0 && m_nWidth < N ? m_nWidth : N;
        m_nWidth = 0;
        return ReadWord(szWord, nLimit);
    }

private:
    static bool IsSpace(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }
    bool ReadWord(char* pszWord, std::size_t nLimit);
    /// Skips whitespace as every extraction does first; false when no
    /// character follows (end-of-file and failure then set).
    bool SkipBeforeExtraction();

    std::string m_strDocument;
    std::size_t m_nPos = 0;
    std::size_t m_nWidth = 0;
    bool m_bEof = false;
    bool m_bFail = false;
};

inline void CPageStream::SkipWhitespace()
{
    if (!IsGood()) {
        m_bFail = true;
        return;
    }
    while (m_nPos < m_strDocument.size() && IsSpace(m_strDocument[m_nPos]))
        ++m_nPos;
    if (m_nPos == m_strDocument.size())
        m_bEof = true;
}

inline bool CPageStream::SkipBeforeExtraction()
{
    if (!IsGood()) {
        m_bFail = true;
        return false;
    }
    while (m_nPos < m_strDocument.size() && IsSpace(m_strDocument[m_nPos]))
        ++m_nPos;
    if (m_nPos == m_strDocument.size()) {
        m_bEof = m_bFail = true;
        return false;
    }
    return true;
}

inline bool CPageStream::ReadChar(char& ch)
{
    if (!SkipBeforeExtraction())
        return false;
    ch = m_strDocument[m_nPos++];
    return true;
}
