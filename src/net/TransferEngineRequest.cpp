// How each request is set up on libcurl, and what its callbacks keep.
#include "net/TransferEngineImpl.h"

#include "net/InternetException.h"
#include "net/TransferState.h"
#include "net/WebUrl.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using ERequest = CTransferEngine::ERequest;

std::string_view WithoutLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

// The code of a status line such as "HTTP/1.1 301 Moved"; 0 when it has none.
int ParseStatusCode(std::string_view line)
{
    const std::size_t nCode = line.find_first_not_of(' ', line.find(' '));
    int nStatusCode = 0;
    if (nCode != std::string_view::npos)
        std::from_chars(line.data() + nCode, line.data() + line.size(), nStatusCode);
    return nStatusCode;
}

// A header block that libcurl will not follow with another request.
bool IsFinalHeaderBlock(const CTransfer::CState& state)
{
    const int nCode = state.nResponseCode;
    if (nCode < 200)
        return false;
    curl_header* pLocation = nullptr;
    return nCode > 399 || nCode < 300
        || curl_easy_header(state.easy.Get(), "Location", 0, CURLH_HEADER, -1, &pLocation) != CURLHE_OK;
}

bool IsLocationLine(std::string_view line)
{
    constexpr std::string_view NAME = "location:";
    return line.size() >= NAME.size() && std::equal(NAME.begin(), NAME.end(), line.begin(), [](char chName, char ch) {
        return chName == (ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch);
    });
}

// Every response of a redirect chain passes through here; a status line
// starts a new response, so what is kept at the end is the final one's.
size_t OnHeader(char* pData, size_t nSize, size_t nItems, void* pUser) noexcept
{
    auto& state = *static_cast<CTransfer::CState*>(pUser);
    const size_t nBytes = nSize * nItems;
    state.lastActivity = Clock::now();
    state.rate.AddBytes(nBytes);
    try {
        std::string_view line = WithoutLineEnd(std::string_view(pData, nBytes));
        // Trailers come here too, after the body, where libcurl sets no limit.
        if (state.strHeaders.size() + line.size() > CTransferEngine::MAX_HEADER_BLOCK) {
            state.strFailure = "The server sent more than " + std::to_string(CTransferEngine::MAX_HEADER_BLOCK >> 10)
                + " KiB of headers";
            return 0;
        }
        if (line.substr(0, 5) == "HTTP/") {
            // A 3xx followed by another response is a redirect followed.
            if (state.nResponseCode >= 300 && state.nResponseCode <= 399)
                state.redirectCodes.push_back(state.nResponseCode);
            state.nResponseCode = ParseStatusCode(line);
            state.strStatusLine.assign(line);
            state.strHeaders.clear();
            state.strBody.clear();
            state.nBodyPos = 0;
            state.bBodyStarted = false;
            state.bRedirectPending = false;
        } else if (state.bOwnRedirects && state.nResponseCode >= 300 && state.nResponseCode <= 399
            && IsLocationLine(line)) {
            state.bRedirectPending = true;
        }
        state.strHeaders.append(line).append("\r\n");
        if (line.empty())
            state.answerTime = state.lastActivity;
        if (line.empty() && state.bHeadersOnly && IsFinalHeaderBlock(state)) {
            state.bHeadersDone = true;
            return 0; // ends the transfer before its body
        }
    } catch (...) {
        return 0; // out of memory: libcurl ends the transfer as failed
    }
    return nBytes;
}

size_t OnBody(char* pData, size_t nSize, size_t nItems, void* pUser) noexcept
{
    auto& state = *static_cast<CTransfer::CState*>(pUser);
    const size_t nBytes = nSize * nItems;
    state.lastActivity = Clock::now();
    // The body of a redirect about to be followed is nobody's to read.
    if (state.bRedirectPending)
        return nBytes;
    // libcurl keeps this chunk and offers it again once the reader resumes.
    if (state.GetAvailable() >= CTransferEngine::MAX_UNREAD && !state.bResuming) {
        state.bPaused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    try {
        state.strBody.append(pData, nBytes);
    } catch (...) {
        return 0;
    }
    state.rate.AddBytes(nBytes);
    state.bBodyStarted = true;
    return nBytes;
}

// Runs once a connection is there and the request is about to go out: from
// here on the stall clock, not the connect time-out, bounds the wait.
int OnConnected(void* pUser, char*, char*, int, int) noexcept
{
    auto& state = *static_cast<CTransfer::CState*>(pUser);
    state.lastActivity = Clock::now();
    if (!state.bConnected)
        state.rate.Restart(state.lastActivity);
    state.bConnected = true;
    if (!state.bOpened && state.bAdmitted) {
        state.bOpened = true;
        try {
            state.pEngine->gate.OnOpened(state.strHostKey, state.lastActivity - state.openStart);
        } catch (...) {
            // Out of memory: the host's limit simply does not grow.
        }
    }
    return CURL_PREREQFUNC_OK;
}

} // namespace

void CTransferEngine::CImpl::Configure(CTransfer::CState& state, const std::string& strURL, ERequest eRequest) const
{
    const bool bHeadOnly = eRequest == ERequest::HEAD;
    state.eRequest = eRequest;
    state.bHeadersOnly = eRequest == ERequest::GET_HEADERS;
    CURL* pEasy = state.easy.Get();
    curl_easy_setopt(pEasy, CURLOPT_URL, strURL.c_str());
    curl_easy_setopt(pEasy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(pEasy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(pEasy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(pEasy, CURLOPT_MAXREDIRS, state.nMaxRedirects);
    // The object name goes out as the page wrote it, dot segments included.
    curl_easy_setopt(pEasy, CURLOPT_PATH_AS_IS, 1L);
    // A reused handle may come from a HEAD: a GET must switch the body back on.
    curl_easy_setopt(pEasy, CURLOPT_NOBODY, bHeadOnly ? 1L : 0L);
    if (!bHeadOnly)
        curl_easy_setopt(pEasy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(pEasy, CURLOPT_CONNECTTIMEOUT_MS, nConnectTimeout);
    // Unless the program ignores SIGPIPE, libcurl must keep the signal of a
    // TLS peer that went away from it, by swapping the handler around every
    // call: most of a waiting crawl's system time.
    curl_easy_setopt(pEasy, CURLOPT_NOSIGNAL, bNoSignal ? 1L : 0L);
    curl_easy_setopt(pEasy, CURLOPT_USERAGENT, options.strUserAgent.c_str());
    curl_easy_setopt(pEasy, CURLOPT_ERRORBUFFER, state.szError);
    curl_easy_setopt(pEasy, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(pEasy, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(pEasy, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(pEasy, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(pEasy, CURLOPT_PREREQFUNCTION, &OnConnected);
    curl_easy_setopt(pEasy, CURLOPT_PREREQDATA, &state);
    ApplyOptions(pEasy, strURL);
    state.bHeadOnly = bHeadOnly;
    ApplyHeaders(state, strURL);
}

// A request option is set only when it differs from its default, so a
// session with the default options sends the requests the default mode's
// byte-exact request tests pin.
void CTransferEngine::CImpl::ApplyOptions(CURL* pEasy, const std::string& strURL) const
{
    if (!strCABundle.empty()) {
        curl_easy_setopt(pEasy, CURLOPT_CAINFO, strCABundle.c_str());
        // Instead of the system's store: its folder would be trusted too.
        curl_easy_setopt(pEasy, CURLOPT_CAPATH, nullptr);
    }
    if (options.eHttpVersion == STransferOptions::EHttpVersion::HTTP1_1)
        curl_easy_setopt(pEasy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    // Without it, requests sent at once would each open a connection
    // before the first could tell that it multiplexes; where none can,
    // waiting for one would send them one after another.
    if (options.eHttpVersion == STransferOptions::EHttpVersion::HTTP2_MULTIPLEXED)
        curl_easy_setopt(pEasy, CURLOPT_PIPEWAIT, MayMultiplex(strURL) ? 1L : 0L);
    if (options.bAskForCompression)
        curl_easy_setopt(pEasy, CURLOPT_ACCEPT_ENCODING, "");
    if (options.bNetrc)
        curl_easy_setopt(pEasy, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
    // Read again by each transfer that sets it: cheap for a cookie file,
    // and a reused handle keeps no cookie the file does not hold.
    if (!options.strCookieFile.empty())
        curl_easy_setopt(pEasy, CURLOPT_COOKIEFILE, options.strCookieFile.c_str());
}

// The request's own lines, then the session's where they belong. Sets the
// list even when empty: a reused handle may still point at the last one's.
void CTransferEngine::CImpl::ApplyHeaders(CTransfer::CState& state, const std::string& strURL) const
{
    CURL* pEasy = state.easy.Get();
    std::vector<std::string> lines = state.requestHeaders;
    if (headerList) {
        // libcurl would send the headers on to whatever host a redirect
        // names: each hop is a request of its own here, with the headers
        // only where they belong.
        curl_easy_setopt(pEasy, CURLOPT_FOLLOWLOCATION, 0L);
        state.bOwnRedirects = true;
        const CWebUrl url = CWebUrl::Parse(strURL);
        if (url.IsWebLink() && url.GetHost() == strOriginHost && url.GetPort() == nOriginPort)
            for (const curl_slist* pItem = headerList.Get(); pItem; pItem = pItem->next)
                lines.emplace_back(pItem->data);
    }
    curl_slist* pList = nullptr;
    for (const std::string& strLine : lines) {
        curl_slist* pLonger = curl_slist_append(pList, strLine.c_str());
        if (!pLonger) {
            curl_slist_free_all(pList);
            throw CInternetException("The network library cannot add a request header");
        }
        pList = pLonger;
    }
    state.headerLines = CHeaderList(pList);
    curl_easy_setopt(pEasy, CURLOPT_HTTPHEADER, pList);
}

// True when the transfer goes on at the redirect's target; result is set
// when the chain is too long or cannot go on.
bool CTransferEngine::CImpl::FollowRedirect(CTransfer::CState& state, CURLcode& result)
{
    char* pszTarget = nullptr;
    if (!state.bRedirectPending || curl_easy_getinfo(state.easy.Get(), CURLINFO_REDIRECT_URL, &pszTarget) != CURLE_OK
        || !pszTarget)
        return false;
    if (state.nOwnRedirects >= state.nMaxRedirects) {
        result = CURLE_TOO_MANY_REDIRECTS;
        state.strFailure = "Maximum (" + std::to_string(state.nMaxRedirects) + ") redirects followed";
        return false;
    }
    ++state.nOwnRedirects;
    const std::string strTarget(pszTarget);
    Configure(state, strTarget, state.eRequest);
    // The next hop connects anew: the connect time-out bounds it again.
    state.bConnected = false;
    if (curl_multi_add_handle(multi.Get(), state.easy.Get()) != CURLM_OK) {
        result = CURLE_FAILED_INIT;
        return false;
    }
    active.emplace(state.easy.Get(), &state);
    return true;
}

std::unique_ptr<CTransfer> CTransferEngine::StartWithRedirectLimit(
    const std::string& strURL, ERequest eRequest, long nMaxRedirects)
{
    std::unique_ptr<CTransfer> pTransfer = m_pImpl->Launch(strURL, eRequest, {});
    // Nothing has gone out yet: the handle was only added, and each hop the
    // engine follows itself is configured from the state again.
    pTransfer->m_pState->nMaxRedirects = nMaxRedirects;
    curl_easy_setopt(pTransfer->m_pState->easy.Get(), CURLOPT_MAXREDIRS, nMaxRedirects);
    m_pImpl->Perform();
    return pTransfer;
}
