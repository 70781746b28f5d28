// The extractor over an arbitrary page, twice into one array as a crawl
// would; then every record's accessors are read.
#include "html/LinkExtractor.h"
#include "html/PageStream.h"
#include "link/LinkArray.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::string strPage(reinterpret_cast<const char*>(pData), nSize);
    CLink root("http://127.0.0.1/dir/index.html", nullptr);
    CLinkArray links;
    CLinkExtractor extractor;
    CPageStream first(strPage);
    extractor.Extract(first, &links, &root);
    if (links.GetSize() > 0) {
        CPageStream second(strPage);
        extractor.Extract(second, &links, links.GetAt(1));
    }
    size_t nSink = 0;
    for (int nPos = 1; nPos <= links.GetSize(); ++nPos) {
        const CLink* pLink = links.GetAt(nPos);
        nSink += pLink->GetFullURL().size() + pLink->GetHost().size() + pLink->GetRequestPath().size();
        nSink += pLink->GetHostAndPath().size() + static_cast<size_t>(pLink->GetRequestPort());
        if (pLink->GetReferrer())
            nSink += pLink->GetReferrer()->GetFullURL().size();
        if (pLink->GetLinkType() != LINK_HTTP || !links.Contains(pLink->GetFullURL()))
            __builtin_trap(); // only new http links may be filed
    }
    asm volatile("" : : "r"(nSink));
    return 0;
}
