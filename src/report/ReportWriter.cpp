#include "report/ReportWriter.h"

#include "link/Link.h"
#include "link/LinkArray.h"

CReportWriter::CReportWriter(const CLinkArray& links, const CCrawlSummary& summary)
    : CReportFormat(links, summary)
{
}

void CReportWriter::Write(std::ostream& out) const
{
    out << "<HTML>\n<HEAD><TITLE>Lintrel Report</TITLE></HEAD>\n<BODY>\n";
    out << "<TABLE BORDER=1>\n<TR><TD>Referring Page</TD><TD>Link</TD><TD>Status</TD></TR>";
    // The size is read afresh for every row.
    for (int nPos = 1; nPos <= m_links.GetSize(); ++nPos)
        WriteRow(out, nPos);
    out << "</TABLE>\n</BODY>\n</HTML>\n";
}

void CReportWriter::WriteRow(std::ostream& out, int nPos) const
{
    const CLink* pLink = m_links.GetAt(nPos);
    if (const CLink* pReferrer = pLink->GetReferrer()) {
        const std::string strReferrer = Escape(pReferrer->GetFullURL());
        out << "<TR><TD><A HREF=\"" << strReferrer << "\"> " << strReferrer << "</A></TD> \n";
    } else {
        out << "<TR><TD>na</TD>";
    }
    const std::string strURL = Escape(pLink->GetFullURL());
    out << "<TD><A HREF=\"" << strURL << "\"> " << strURL << "</A></TD>";
    out << "<TD> " << Escape(pLink->GetStatusText()) << " </TD></TR>\n";
}

std::string CReportWriter::Escape(const std::string& str)
{
    std::string strEscaped;
    strEscaped.reserve(str.size());
    for (char ch : str) {
        switch (ch) {
        case '&': strEscaped += "&amp;"; break;
        case '<': strEscaped += "&lt;"; break;
        case '>': strEscaped += "&gt;"; break;
        case '"': strEscaped += "&quot;"; break;
        default: strEscaped += ch; break;
        }
    }
    return strEscaped;
}
