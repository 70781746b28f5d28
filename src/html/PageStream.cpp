#include "html/PageStream.h"

#include <cstring>
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
    const char* const pchStart = m_strDocument.data() + m_nPos;
    const char* const pchLimit = m_strDocument.data() + (nSize - m_nPos < nMax ? nSize : m_nPos + nMax);
    const char* pchEnd = pchStart;
    while (pchEnd != pchLimit && !IsSpace(*pchEnd))
        ++pchEnd;
    const std::size_t nCount = static_cast<std::size_t>(pchEnd - pchStart);
    std::memcpy(pszWord, pchStart, nCount);
    pszWord[nCount] = '\0';
    m_nPos += nCount;
    // A word cut at the limit has not met the end yet, even when nothing follows.
    if (nCount < nMax && m_nPos == nSize)
        m_bEof = true;
    if (nCount == 0)
        m_bFail = true;
    return nCount > 0;
}
