#include "html/PageStream.h"

#include <utility>

CPageStream::CPageStream(std::string strDocument)
    : m_strDocument(std::move(strDocument))
{
}

CPageStream::Pos CPageStream::GetPosition()
{
    if (!IsGood()) {
        m_bFail = true;
        return BAD_POS;
    }
    return static_cast<Pos>(m_nPos);
}

void CPageStream::Seek(Pos nPos)
{
    m_bEof = false;
    if (m_bFail)
        return;
    if (nPos < 0 || static_cast<std::size_t>(nPos) > m_strDocument.size()) {
        m_bFail = true;
        return;
    }
    m_nPos = static_cast<std::size_t>(nPos);
}

bool CPageStream::ReadWord(char* pszWord, std::size_t nLimit)
{
    if (!SkipBeforeExtraction()) {
        pszWord[0] = '\0';
        return false;
    }
    const std::size_t nSize = m_strDocument.size();
    const std::size_t nMax = nLimit - 1;
    std::size_t nCount = 0;
    while (nCount < nMax && m_nPos < nSize && !IsSpace(m_strDocument[m_nPos]))
        pszWord[nCount++] = m_strDocument[m_nPos++];
    pszWord[nCount] = '\0';
    // A word cut at the limit has not met the end yet, even when nothing follows.
    if (nCount < nMax && m_nPos == nSize)
        m_bEof = true;
    if (nCount == 0)
        m_bFail = true;
    return nCount > 0;
}
