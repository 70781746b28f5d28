// The report over arbitrary URLs and status texts, read back: every HREF
// attribute must close with its own quote, and no '<' may come from the data.
#include "link/LinkArray.h"
#include "report/ReportWriter.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

namespace {

const char* const MARKUP[] = {"<HTML>", "<HEAD>", "<TITLE>", "</TITLE>", "</HEAD>", "<BODY>", "<TABLE BORDER=1>",
    "<TR>", "</TR>", "<TD>", "</TD>", "</A>", "</TABLE>", "</BODY>", "</HTML>"};
const std::string ANCHOR = "<A HREF=\"";

void CheckReport(const std::string& strReport)
{
    std::string strRest;
    for (size_t i = 0; i < strReport.size();) {
        if (strReport.compare(i, ANCHOR.size(), ANCHOR) == 0) {
            size_t nQuote = strReport.find('"', i + ANCHOR.size());
            if (nQuote == std::string::npos || strReport.compare(nQuote, 3, "\"> ") != 0)
                __builtin_trap(); // the attribute did not close with its own quote
            i = nQuote + 3;
            continue;
        }
        bool bMarkup = false;
        for (const char* pszTag : MARKUP) {
            size_t nLength = std::char_traits<char>::length(pszTag);
            if (strReport.compare(i, nLength, pszTag) == 0) {
                i += nLength;
                bMarkup = true;
                break;
            }
        }
        if (bMarkup)
            continue;
        if (strReport[i] == '<')
            __builtin_trap(); // markup from the data
        ++i;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    FuzzedDataProvider provider(pData, nSize);
    CLinkArray links;
    auto pRoot = std::make_unique<CLink>(provider.ConsumeRandomLengthString(256), nullptr);
    CLink* pReferrer = pRoot.get();
    while (provider.remaining_bytes() > 0) {
        const bool bOwnReferrer = provider.ConsumeBool();
        auto pLink
            = std::make_unique<CLink>(provider.ConsumeRandomLengthString(256), bOwnReferrer ? pReferrer : nullptr);
        pLink->SetStatus(provider.ConsumeIntegralInRange<int>(-1, 999), provider.ConsumeRandomLengthString(256));
        links.AddIfNew(std::move(pLink));
        if (links.GetSize() > 0)
            pReferrer = links.GetAt(links.GetSize());
    }
    std::ostringstream report;
    CReportWriter(links, CCrawlSummary(links)).Write(report);
    CheckReport(report.str());
    return 0;
}
