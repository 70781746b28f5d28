// Preloaded into the crawls bench/sitebench.py times: a name under .invalid
// fails at once, as RFC 6761 (6.4) asks of name resolution libraries, and
// every other name goes to the system's resolver. Without it the sandbox's
// resolver, which drops a share of queries and retries them after 5 s,
// would time the crawl instead of the crawl's own work.
#include <dlfcn.h>
#include <netdb.h>

#include <cstring>
#include <strings.h>

namespace {

bool IsInvalidName(const char* pszNode)
{
    std::size_t nLength = std::strlen(pszNode);
    if (nLength > 0 && pszNode[nLength - 1] == '.')
        --nLength;
    const std::size_t nSuffix = std::strlen("invalid");
    if (nLength < nSuffix || ::strncasecmp(pszNode + nLength - nSuffix, "invalid", nSuffix) != 0)
        return false;
    return nLength == nSuffix || pszNode[nLength - nSuffix - 1] == '.';
}

} // namespace

extern "C" int getaddrinfo(const char* pszNode, const char* pszService, const addrinfo* pHints, addrinfo** ppResult)
{
    using GetAddrInfo = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const auto pfnSystem = reinterpret_cast<GetAddrInfo>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    if (pszNode && IsInvalidName(pszNode))
        return EAI_NONAME;
    return pfnSystem(pszNode, pszService, pHints, ppResult);
}
