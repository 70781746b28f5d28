#include "report/RowPrinter.h"

#include "link/Link.h"
#include "link/LinkArray.h"

CRowPrinter::CRowPrinter(const CLinkArray& links, const CCrawlSummary& summary, bool bOnlyBad)
    : CReportFormat(links, summary)
{
    for (int nPos = 1; nPos <= links.GetSize(); ++nPos) {
        const CLink* pLink = links.GetAt(nPos);
        if (!bOnlyBad || !pLink->HasGoodStatus())
            m_rows.push_back(pLink);
    }
}

std::string CRowPrinter::ReferrerText(const CLink& link)
{
    return link.GetReferrer() ? link.GetReferrer()->GetFullURL() : std::string();
}

std::string CRowPrinter::CleanTsvField(const std::string& str)
{
    // Rows often go to a terminal too: an escape sequence from a server's
    // reason phrase must not reach it any more than a tab may split a field.
    return Printable(str);
}

std::string CRowPrinter::Printable(const std::string& str)
{
    std::string strClean = str;
    for (char& ch : strClean) {
        const auto nByte = static_cast<unsigned char>(ch);
        if (nByte < 0x20 || nByte == 0x7f)
            ch = ' ';
    }
    return strClean;
}
