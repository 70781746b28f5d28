#pragma once

#include <cstddef>
#include <string_view>

/// Lines and columns of byte offsets met in increasing order, in one forward
/// pass over the text: CR LF, LF and a lone CR each end a line; a column is
/// a character of the line read as UTF-8, a byte that is not counting one.
/// Reads the text it is given, which must outlive it.
class CLineColumnCounter {
public:
    explicit CLineColumnCounter(std::string_view text)
        : m_text(text)
    {
    }

    /// Counts up to nOffset (clamped to the text's size); an offset below
    /// one already met keeps the position reached.
    void AdvanceTo(std::size_t nOffset);
    /// 1-based line of the offset last advanced to.
    int GetLine() const { return m_nLine; }
    /// 1-based column of the offset last advanced to.
    int GetColumn() const { return m_nColumn; }

private:
    std::string_view m_text;
    std::size_t m_nCounted = 0;
    int m_nLine = 1;
    int m_nColumn = 1;
};
