#include "report/MarkdownWriter.h"

#include "link/Link.h"
#include "link/LinkArray.h"

#include <iomanip>

std::string CMarkdownWriter::EscapeCell(const std::string& str)
{
    std::string strCell;
    strCell.reserve(str.size());
    for (char ch : str) {
        const auto nByte = static_cast<unsigned char>(ch);
        if (ch == '|' || ch == '\\')
            strCell += '\\';
        strCell += nByte < 0x20 || nByte == 0x7f ? ' ' : ch;
    }
    return strCell;
}

void CMarkdownWriter::Write(std::ostream& out) const
{
    const int nBad = m_summary.m_nLinks - m_summary.m_nGood;
    out << "# Lintrel link check\n\n";
    out << m_summary.m_nLinks << (m_summary.m_nLinks == 1 ? " link: " : " links: ") << m_summary.m_nGood << " good, "
        << nBad << " bad; " << m_summary.m_nPages
        << (m_summary.m_nPages == 1 ? " page fetched in " : " pages fetched in ") << std::fixed << std::setprecision(1)
        << m_summary.m_dElapsedSeconds << " s.\n";
    if (nBad == 0)
        return;
    out << "\n| Page | Link | Status |\n|---|---|---|\n";
    for (int nPos = 1; nPos <= m_links.GetSize(); ++nPos) {
        const CLink& link = *m_links.GetAt(nPos);
        if (link.HasGoodStatus())
            continue;
        const CLink* pPage = FirstPage(link);
        out << "| " << EscapeCell(pPage ? PageName(*pPage) : std::string()) << " | " << EscapeCell(link.GetFullURL())
            << " | " << EscapeCell(StatusMessage(link)) << " |\n";
    }
}
