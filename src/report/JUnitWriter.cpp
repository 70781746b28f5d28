#include "report/JUnitWriter.h"

#include "link/Link.h"
#include "link/LinkArray.h"
#include "link/Utf8Sequence.h"

#include <iomanip>

namespace {

const char* const REPLACEMENT = "\xEF\xBF\xBD";

// A well-formed UTF-8 character that XML allows: U+FFFE and U+FFFF are none.
std::size_t XmlCharacterLength(const std::string& str, std::size_t nPos)
{
    const std::size_t nLength = CUtf8Sequence::Length(str, nPos);
    if (nLength == 3 && str.compare(nPos, 2, "\xEF\xBF") == 0 && (str[nPos + 2] == '\xBE' || str[nPos + 2] == '\xBF'))
        return 0;
    return nLength;
}

void WriteCase(std::ostream& out, const CLink& link, const CCrawlSummary& summary)
{
    const CLink* pPage = CFindingFormat::FirstPage(link);
    out << "  <testcase name=\"" << CJUnitWriter::Escape(link.GetFullURL()) << "\" classname=\""
        << CJUnitWriter::Escape(pPage ? CFindingFormat::PageName(*pPage) : std::string()) << '"';
    if (link.HasGoodStatus()) {
        out << "/>\n";
        return;
    }
    const std::string strMessage = CJUnitWriter::Escape(CFindingFormat::StatusMessage(link));
    // A link that does not fail the check is reported without failing the suite.
    const char* pszElement = summary.IsWarning(link) ? "skipped" : "failure";
    out << ">\n    <" << pszElement << " message=\"" << strMessage << "\">" << strMessage << "</" << pszElement
        << ">\n  </testcase>\n";
}

} // namespace

std::string CJUnitWriter::Escape(const std::string& str)
{
    std::string strEscaped;
    strEscaped.reserve(str.size());
    for (std::size_t nPos = 0; nPos < str.size();) {
        const char ch = str[nPos];
        const auto nByte = static_cast<unsigned char>(ch);
        if (nByte >= 0x80) {
            const std::size_t nLength = XmlCharacterLength(str, nPos);
            strEscaped += nLength == 0 ? std::string(REPLACEMENT) : str.substr(nPos, nLength);
            nPos += nLength == 0 ? 1 : nLength;
            continue;
        }
        switch (ch) {
        case '&': strEscaped += "&amp;"; break;
        case '<': strEscaped += "&lt;"; break;
        case '>': strEscaped += "&gt;"; break;
        case '"': strEscaped += "&quot;"; break;
        case '\'': strEscaped += "&apos;"; break;
        default: strEscaped += nByte < 0x20 || nByte == 0x7f ? ' ' : ch; break;
        }
        ++nPos;
    }
    return strEscaped;
}

void CJUnitWriter::Write(std::ostream& out) const
{
    int nFailures = 0;
    int nSkipped = 0;
    for (int nPos = 1; nPos <= m_links.GetSize(); ++nPos) {
        nFailures += m_summary.IsFailure(*m_links.GetAt(nPos)) ? 1 : 0;
        nSkipped += m_summary.IsWarning(*m_links.GetAt(nPos)) ? 1 : 0;
    }
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out << "<testsuite name=\"lintrel\" tests=\"" << m_links.GetSize() << "\" failures=\"" << nFailures
        << "\" errors=\"0\" skipped=\"" << nSkipped << "\" time=\"" << std::fixed << std::setprecision(3)
        << m_summary.m_dElapsedSeconds << "\">\n";
    for (int nPos = 1; nPos <= m_links.GetSize(); ++nPos)
        WriteCase(out, *m_links.GetAt(nPos), m_summary);
    out << "</testsuite>\n";
}
