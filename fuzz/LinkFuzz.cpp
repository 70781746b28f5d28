// A link record built from arbitrary bytes, alone and behind a chain of
// one to three arbitrary referrers; every accessor is then read.
#include "link/Link.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

void ReadEverything(CLink& link)
{
    size_t nSink = link.GetHost().size() + link.GetScheme().size() + link.GetPath().size();
    nSink += link.GetFile().size() + link.GetBasePath().size() + link.GetPortText().size();
    nSink += link.GetFragment().size() + link.GetRequestPath().size() + link.GetURL().size();
    nSink += link.GetHostAndPath().size() + link.GetFullURL().size() + link.GetStatusText().size();
    nSink += static_cast<size_t>(link.GetPort()) + static_cast<size_t>(link.GetLinkType());
    nSink += static_cast<size_t>(link.GetRequestPort());
    nSink += link.HasGoodStatus() + link.IsGood();
    nSink += link.ResolveParentPath(link.GetPath()).size();
    // Keeps the reads from being optimised away.
    asm volatile("" : : "r"(nSink));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    FuzzedDataProvider provider(pData, nSize);
    const int nChain = provider.ConsumeIntegralInRange<int>(0, 3);
    std::vector<std::unique_ptr<CLink>> chain;
    for (int i = 0; i < nChain; ++i) {
        CLink* pReferrer = chain.empty() ? nullptr : chain.back().get();
        chain.push_back(std::make_unique<CLink>(provider.ConsumeRandomLengthString(4096), pReferrer));
    }
    CLink* pReferrer = chain.empty() ? nullptr : chain.back().get();
    CLink link(provider.ConsumeRemainingBytesAsString(), pReferrer);
    ReadEverything(link);
    link.SetStatus(404, "Not Found");
    link.SetError("failed");
    for (auto& pLink : chain)
        ReadEverything(*pLink);
    return 0;
}
