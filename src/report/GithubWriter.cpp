#include "report/GithubWriter.h"

#include "link/Link.h"

std::string CGithubWriter::EscapeData(const std::string& str)
{
    std::string strEscaped;
    strEscaped.reserve(str.size());
    for (char ch : str) {
        const auto nByte = static_cast<unsigned char>(ch);
        if (ch == '%')
            strEscaped += "%25";
        else if (ch == '\r')
            strEscaped += "%0D";
        else if (ch == '\n')
            strEscaped += "%0A";
        else
            strEscaped += nByte < 0x20 || nByte == 0x7f ? ' ' : ch;
    }
    return strEscaped;
}

std::string CGithubWriter::EscapeProperty(const std::string& str)
{
    std::string strEscaped;
    for (char ch : EscapeData(str)) {
        if (ch == ':')
            strEscaped += "%3A";
        else if (ch == ',')
            strEscaped += "%2C";
        else
            strEscaped += ch;
    }
    return strEscaped;
}

void CGithubWriter::Write(std::ostream& out) const
{
    for (const SFinding& finding : Findings()) {
        const std::string strMessage = finding.pLink->GetFullURL() + ": " + StatusMessage(*finding.pLink);
        out << (m_summary.IsWarning(*finding.pLink) ? "::warning" : "::error");
        if (finding.pPage != nullptr && IsLocalFile(*finding.pPage)) {
            out << " file=" << EscapeProperty(PageName(*finding.pPage));
            if (finding.nLine > 0)
                out << ",line=" << finding.nLine << ",col=" << finding.nColumn;
            out << "::" << EscapeData(strMessage) << '\n';
        } else if (finding.pPage != nullptr) {
            out << "::" << EscapeData(strMessage + " (found on " + finding.pPage->GetFullURL() + ")") << '\n';
        } else {
            out << "::" << EscapeData(strMessage) << '\n';
        }
    }
}
