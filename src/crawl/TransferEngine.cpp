// The one file of the engine that speaks to libcurl.
#include "crawl/TransferEngine.h"

#include "crawl/CurlHandle.h"
#include "crawl/HostGate.h"
#include "crawl/InternetException.h"
#include "crawl/ParkedTransfers.h"
#include "crawl/RateWindow.h"
#include "crawl/RetryAfter.h"
#include "crawl/Transfer.h"
#include "crawl/TransferOptions.h"
#include "crawl/WebUrl.h"

#include <curl/curl.h>
#include <signal.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <list>
#include <new>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using ERequest = CTransferEngine::ERequest;

// Requests with other header lines are other requests: a conditional GET
// must not take over a plain one.
std::string AheadKey(const std::string& strURL, bool bHeadOnly, const std::vector<std::string>& headers)
{
    std::string strKey(bHeadOnly ? "HEAD " : "GET ");
    strKey.append(strURL);
    for (const std::string& strHeader : headers)
        strKey.append("\n").append(strHeader);
    return strKey;
}

ETransferError ClassifyError(CURLcode result)
{
    switch (result) {
    case CURLE_OK: return ETransferError::NONE;
    case CURLE_OPERATION_TIMEDOUT: return ETransferError::TIMEOUT;
    case CURLE_COULDNT_CONNECT:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR: return ETransferError::CONNECTION;
    case CURLE_GOT_NOTHING: return ETransferError::EMPTY_REPLY;
    case CURLE_COULDNT_RESOLVE_HOST: return ETransferError::HOST_NOT_FOUND;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH: return ETransferError::TLS;
    case CURLE_TOO_MANY_REDIRECTS: return ETransferError::TOO_MANY_REDIRECTS;
    case CURLE_UNSUPPORTED_PROTOCOL: return ETransferError::UNSUPPORTED_SCHEME;
    default: return ETransferError::OTHER;
    }
}

using CEasyHandle = CCurlHandle<CURL, &curl_easy_cleanup>;
using CMultiHandle = CCurlHandle<CURLM, &curl_multi_cleanup>;
using CHeaderList = CCurlHandle<curl_slist, &curl_slist_free_all>;

// Idle easy handles kept for reuse unless the session asks for more; more
// than it runs at once would only hold memory.
constexpr std::size_t DEFAULT_IDLE_HANDLES = 4;
// libcurl's own bound on the streams of one HTTP/2 connection.
constexpr long LIBRARY_MAX_STREAMS = 100;

std::string DescribeDuration(long nMilliseconds)
{
    if (nMilliseconds % 1000 == 0)
        return std::to_string(nMilliseconds / 1000) + (nMilliseconds == 1000 ? " second" : " seconds");
    return std::to_string(nMilliseconds) + " milliseconds";
}

bool IsSigpipeIgnored()
{
    struct sigaction current {};
    return ::sigaction(SIGPIPE, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0
        && current.sa_handler == SIG_IGN;
}

} // namespace

struct CTransfer::CState {
    std::shared_ptr<CTransferEngine::CImpl> pEngine;
    CEasyHandle easy;
    // What was asked, for each hop the engine follows itself.
    CTransferEngine::ERequest eRequest = CTransferEngine::ERequest::GET;
    // This request's own header lines (validators), sent on every hop.
    std::vector<std::string> requestHeaders;
    // The lines of the current hop; libcurl reads them until it ends.
    CHeaderList headerLines;
    char szError[CURL_ERROR_SIZE] = {};
    std::string strFailure;
    std::string strStatusLine;
    std::string strHeaders;
    std::string strBody;
    std::size_t nBodyPos = 0;
    // The code of the response being read, and of each redirect followed.
    int nResponseCode = 0;
    std::vector<int> redirectCodes;
    // Redirects this engine follows itself, where libcurl would carry the
    // session's headers to another host: counted here, their bodies dropped.
    bool bHeadOnly = false;
    bool bOwnRedirects = false;
    bool bRedirectPending = false;
    long nOwnRedirects = 0;
    // The engine's options generation this handle was configured under.
    unsigned nGeneration = 0;
    // The host gate's key; the id it is parked under while sent ahead.
    std::string strHostKey;
    std::uint64_t nAheadId = 0;
    // Held back by the host gate; counted by it once it started.
    bool bPending = false;
    bool bAdmitted = false;
    bool bBodyStarted = false;
    bool bConnected = false;
    bool bDone = false;
    bool bPaused = false;
    bool bResuming = false;
    // A GET that ends once the final header block is in, and whether it did.
    bool bHeadersOnly = false;
    bool bHeadersDone = false;
    CURLcode result = CURLE_OK;
    Clock::time_point lastActivity = Clock::now();
    Clock::time_point answerTime;
    CRateWindow rate;

    std::size_t GetAvailable() const { return strBody.size() - nBodyPos; }
    bool HasFailed() const { return bDone && result != CURLE_OK; }
    std::string GetFailureMessage() const
    {
        if (!strFailure.empty())
            return strFailure;
        // libcurl 7 reports a header line past its limit as out of memory.
        if (result == CURLE_OUT_OF_MEMORY && !bBodyStarted)
            return "The server sent a header line too long to read";
        return szError[0] != '\0' ? std::string(szError) : curl_easy_strerror(result);
    }
    CInternetException MakeFailure() const
    {
        const ETransferError eKind = ClassifyError(result);
        // A header block past the bound is the server's fault, not a passing one.
        const bool bOwnBound = !strFailure.empty() && result != CURLE_OPERATION_TIMEDOUT;
        return CInternetException(GetFailureMessage(), bOwnBound ? ETransferError::OTHER : eKind);
    }
};

struct CTransferEngine::CImpl : std::enable_shared_from_this<CTransferEngine::CImpl> {
    CMultiHandle multi;
    std::vector<CEasyHandle> idle;
    std::size_t nMaxIdle = DEFAULT_IDLE_HANDLES;
    std::unordered_map<CURL*, CTransfer::CState*> active;
    CParkedTransfers parked;
    // Requests the host gate holds back, in the order they were made.
    std::list<CTransfer::CState*> pending;
    CHostGate gate;
    bool bGated = false;
    long nConnectTimeout = 10000;
    long nStallTimeout = 10000;
    long nPerHost = 0;
    STransferOptions options;
    std::string strCABundle;
    CHeaderList headerList;
    std::string strOriginHost;
    int nOriginPort = 0;
    // Bumped when the options change: a handle configured before is not reused.
    unsigned nGeneration = 0;
    bool bNoSignal = IsSigpipeIgnored();
    std::function<void()> pump;
    std::function<void()> onEnded;
    bool bInEndedCallback = false;
    Clock::time_point lastPump = Clock::now();

    void Configure(CTransfer::CState& state, const std::string& strURL, ERequest eRequest) const;
    void ApplyOptions(CURL* pEasy) const;
    void ApplyHeaders(CTransfer::CState& state, const std::string& strURL) const;
    bool FollowRedirect(CTransfer::CState& state, CURLcode& result);
    void ApplyStreamLimit();
    std::unique_ptr<CTransfer> Launch(
        const std::string& strURL, ERequest eRequest, const std::vector<std::string>& headers);
    void Admit(CTransfer::CState& state);
    void StartPending();
    bool StartPendingPass(bool bOwn, Clock::time_point now);
    bool MakeRoom(const std::string& strHostKey);
    void PauseAsAsked(const CTransfer::CState& state);
    std::size_t Perform();
    void RunSlice(long nMaxWaitMs = SLICE_MS);
    void ReportEnded();
    void Resume(CTransfer::CState& state);
    void Finish(CTransfer::CState& state, CURLcode result);
    void AbortStalled();
    void Release(CTransfer::CState& state);
};

namespace {

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
    curl_easy_setopt(pEasy, CURLOPT_MAXREDIRS, MAX_REDIRECTS);
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
    ApplyOptions(pEasy);
    state.bHeadOnly = bHeadOnly;
    ApplyHeaders(state, strURL);
}

// Transfer options. A request option is set only when it differs from its
// default, so a session with the default options sends what it always sent.

namespace {

// As the curl tool reads it: a given bundle wins over the environment.
std::string ChooseCABundle(const STransferOptions& options)
{
    if (!options.strCABundle.empty() || !options.bCABundleFromEnvironment)
        return options.strCABundle;
    const char* pszBundle = std::getenv("CURL_CA_BUNDLE");
    return pszBundle ? pszBundle : "";
}

} // namespace

void CTransferEngine::CImpl::ApplyOptions(CURL* pEasy) const
{
    if (!strCABundle.empty()) {
        curl_easy_setopt(pEasy, CURLOPT_CAINFO, strCABundle.c_str());
        // Instead of the system's store: its folder would be trusted too.
        curl_easy_setopt(pEasy, CURLOPT_CAPATH, nullptr);
    }
    if (options.eHttpVersion == STransferOptions::EHttpVersion::HTTP1_1)
        curl_easy_setopt(pEasy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    // Without it, requests sent at once would each open a connection
    // before the first could tell that it multiplexes.
    if (options.eHttpVersion == STransferOptions::EHttpVersion::HTTP2_MULTIPLEXED)
        curl_easy_setopt(pEasy, CURLOPT_PIPEWAIT, 1L);
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
    if (state.nOwnRedirects >= MAX_REDIRECTS) {
        result = CURLE_TOO_MANY_REDIRECTS;
        state.strFailure = "Maximum (" + std::to_string(MAX_REDIRECTS) + ") redirects followed";
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

void CTransferEngine::CImpl::ApplyStreamLimit()
{
    long nStreams = LIBRARY_MAX_STREAMS;
    if (options.eHttpVersion == STransferOptions::EHttpVersion::HTTP2_MULTIPLEXED && nPerHost > 0)
        nStreams = nPerHost;
    curl_multi_setopt(multi.Get(), CURLMOPT_MAX_CONCURRENT_STREAMS, nStreams);
}

void CTransferEngine::SetTransferOptions(const STransferOptions& options)
{
    m_pImpl->options = options;
    m_pImpl->bGated = options.bTuneHostLimit || options.nMaxPerSecond > 0;
    m_pImpl->gate.SetRate(options.nMaxPerSecond);
    // Until the session sets a per-host bound, libcurl's own is the ceiling.
    if (m_pImpl->nPerHost == 0)
        m_pImpl->gate.SetCeiling(static_cast<int>(LIBRARY_MAX_STREAMS));
    m_pImpl->strCABundle = ChooseCABundle(options);
    curl_slist* pList = nullptr;
    for (const std::string& strHeader : options.headers) {
        curl_slist* pLonger = curl_slist_append(pList, strHeader.c_str());
        if (!pLonger) {
            curl_slist_free_all(pList);
            throw std::bad_alloc();
        }
        pList = pLonger;
    }
    m_pImpl->headerList = CHeaderList(pList);
    const CWebUrl origin = CWebUrl::Parse(options.strHeaderOrigin);
    m_pImpl->strOriginHost = origin.IsWebLink() ? origin.GetHost() : std::string();
    m_pImpl->nOriginPort = origin.IsWebLink() ? origin.GetPort() : 0;
    ++m_pImpl->nGeneration;
    m_pImpl->idle.clear();
    m_pImpl->ApplyStreamLimit();
}

std::unique_ptr<CTransfer> CTransferEngine::CImpl::Launch(
    const std::string& strURL, ERequest eRequest, const std::vector<std::string>& headers)
{
    auto pState = std::make_unique<CTransfer::CState>();
    pState->pEngine = shared_from_this();
    if (!idle.empty()) {
        pState->easy = std::move(idle.back());
        idle.pop_back();
    } else {
        pState->easy = CEasyHandle(curl_easy_init());
        if (!pState->easy)
            throw CInternetException("The network library cannot create a request");
    }
    pState->requestHeaders = headers;
    Configure(*pState, strURL, eRequest);
    pState->nGeneration = nGeneration;
    if (bGated)
        pState->strHostKey = CHostGate::HostKey(strURL);
    CTransfer::CState& state = *pState;
    std::unique_ptr<CTransfer> pTransfer(new CTransfer(std::move(pState)));
    if (bGated && !gate.MayStart(state.strHostKey, Clock::now())) {
        pending.push_back(&state);
        state.bPending = true;
        return pTransfer;
    }
    Admit(state);
    if (state.HasFailed())
        throw CInternetException(state.strFailure);
    return pTransfer;
}

// A request that cannot be handed to libcurl ends failed at once.
void CTransferEngine::CImpl::Admit(CTransfer::CState& state)
{
    const CURLMcode code = curl_multi_add_handle(multi.Get(), state.easy.Get());
    if (code != CURLM_OK) {
        state.strFailure = curl_multi_strerror(code);
        state.bDone = true;
        state.result = CURLE_FAILED_INIT;
        return;
    }
    active.emplace(state.easy.Get(), &state);
    if (bGated) {
        gate.OnStarted(state.strHostKey, Clock::now());
        state.bAdmitted = true;
    }
}

void CTransferEngine::CImpl::StartPending()
{
    const Clock::time_point now = Clock::now();
    // The crawl's own requests first: the one it waits for must not queue
    // behind requests sent ahead that it may never take over.
    while (StartPendingPass(true, now)) {}
    StartPendingPass(false, now);
}

// True when a request sent ahead was dropped to make room: another pass may start more.
bool CTransferEngine::CImpl::StartPendingPass(bool bOwn, Clock::time_point now)
{
    for (auto it = pending.begin(); it != pending.end();) {
        CTransfer::CState& state = **it;
        if ((state.nAheadId == 0) != bOwn) {
            ++it;
            continue;
        }
        if (!gate.MayStart(state.strHostKey, now)) {
            if (bOwn && gate.IsAtLimit(state.strHostKey) && MakeRoom(state.strHostKey))
                return true;
            ++it;
            continue;
        }
        it = pending.erase(it);
        state.bPending = false;
        Admit(state);
    }
    return false;
}

// A request sent ahead that waits, paused, for a reader would hold its
// host's place until taken over; one the crawl waits for must not wait on
// it. Drops one such request of the host; false when there is none.
bool CTransferEngine::CImpl::MakeRoom(const std::string& strHostKey)
{
    for (const auto& [pEasy, pState] : active) {
        if (pState->bPaused && pState->nAheadId != 0 && pState->strHostKey == strHostKey) {
            parked.Discard(pState->nAheadId);
            return true;
        }
    }
    return false;
}

// Returns how many transfers ended.
std::size_t CTransferEngine::CImpl::Perform()
{
    if (!pending.empty())
        StartPending();
    int nRunning = 0;
    curl_multi_perform(multi.Get(), &nRunning);
    std::size_t nEnded = 0;
    int nQueued = 0;
    while (CURLMsg* pMessage = curl_multi_info_read(multi.Get(), &nQueued)) {
        if (pMessage->msg != CURLMSG_DONE)
            continue;
        auto it = active.find(pMessage->easy_handle);
        if (it != active.end()) {
            Finish(*it->second, pMessage->data.result);
            ++nEnded;
        }
    }
    // What the ended transfers made room for goes out now, not after the
    // next wait: libcurl's own per-host queue would have sent it at once.
    if (nEnded > 0 && !pending.empty()) {
        StartPending();
        curl_multi_perform(multi.Get(), &nRunning);
    }
    return nEnded;
}

void CTransferEngine::CImpl::RunSlice(long nMaxWaitMs)
{
    curl_multi_poll(multi.Get(), nullptr, 0, static_cast<int>(std::clamp(nMaxWaitMs, 0L, SLICE_MS)), nullptr);
    // The second round sends at once what the ended transfers made room
    // for, rather than after the next wait.
    for (int nRound = 0; nRound < 2 && Perform() > 0; ++nRound)
        ReportEnded();
    AbortStalled();
    const Clock::time_point now = Clock::now();
    if (pump && now - lastPump >= std::chrono::milliseconds(SLICE_MS)) {
        lastPump = now;
        pump();
    }
}

void CTransferEngine::CImpl::ReportEnded()
{
    // Whatever it sends ahead is driven by the slices to come, not from here.
    if (!onEnded || bInEndedCallback)
        return;
    bInEndedCallback = true;
    try {
        onEnded();
    } catch (...) {
        bInEndedCallback = false;
        throw;
    }
    bInEndedCallback = false;
}

void CTransferEngine::CImpl::Resume(CTransfer::CState& state)
{
    state.bPaused = false;
    state.lastActivity = Clock::now();
    state.rate.Restart(state.lastActivity);
    // Hands over at once what libcurl held, all of it: a decoded body holds
    // up to a whole read inflated, which libcurl would copy again at every
    // pause in the middle.
    state.bResuming = true;
    curl_easy_pause(state.easy.Get(), CURLPAUSE_CONT);
    state.bResuming = false;
}

void CTransferEngine::CImpl::Finish(CTransfer::CState& state, CURLcode result)
{
    curl_multi_remove_handle(multi.Get(), state.easy.Get());
    active.erase(state.easy.Get());
    if (result == CURLE_OK && state.bOwnRedirects && FollowRedirect(state, result))
        return;
    state.bDone = true;
    state.result = state.bHeadersDone && result == CURLE_WRITE_ERROR ? CURLE_OK : result;
    if (state.bAdmitted) {
        state.bAdmitted = false;
        gate.OnEnded(state.strHostKey, state.nResponseCode);
        PauseAsAsked(state);
    }
}

// The wait a throttling server asks for holds every request to it from the
// moment the answer arrives, not only once the crawl reads the answer.
void CTransferEngine::CImpl::PauseAsAsked(const CTransfer::CState& state)
{
    if (options.nMaxRetryAfterPause < 0 || (state.nResponseCode != 429 && state.nResponseCode != 503))
        return;
    curl_header* pHeader = nullptr;
    if (curl_easy_header(state.easy.Get(), "Retry-After", 0, CURLH_HEADER, -1, &pHeader) != CURLHE_OK
        || !pHeader->value)
        return;
    const std::optional<std::uint64_t> nSeconds = CRetryAfter::Parse(pHeader->value, std::time(nullptr));
    if (nSeconds && *nSeconds > 0 && *nSeconds <= static_cast<std::uint64_t>(options.nMaxRetryAfterPause))
        gate.Pause(state.strHostKey, Clock::now() + std::chrono::seconds(*nSeconds));
}

void CTransferEngine::CImpl::AbortStalled()
{
    const Clock::time_point now = Clock::now();
    std::vector<std::pair<CTransfer::CState*, std::string>> stalled;
    for (const auto& [pEasy, pState] : active) {
        // A paused transfer waits for its reader, not for the server.
        if (!pState->bConnected || pState->bPaused)
            continue;
        if (now - pState->lastActivity > std::chrono::milliseconds(nStallTimeout))
            stalled.emplace_back(pState, "Timed out: the server sent no data for " + DescribeDuration(nStallTimeout));
        else if (pState->rate.IsBelow(now, nStallTimeout, MIN_BYTES_PER_SECOND))
            stalled.emplace_back(pState,
                "Timed out: the server sent less than " + std::to_string(MIN_BYTES_PER_SECOND) + " bytes a second for "
                    + DescribeDuration(nStallTimeout));
    }
    for (auto& [pState, strReason] : stalled) {
        pState->strFailure = std::move(strReason);
        Finish(*pState, CURLE_OPERATION_TIMEDOUT);
    }
}

void CTransferEngine::CImpl::Release(CTransfer::CState& state)
{
    if (!state.easy)
        return;
    if (state.bPending) {
        pending.remove(&state);
        state.bPending = false;
    }
    if (active.count(state.easy.Get()) != 0) {
        curl_multi_remove_handle(multi.Get(), state.easy.Get());
        active.erase(state.easy.Get());
    }
    if (state.bAdmitted) {
        state.bAdmitted = false;
        gate.OnEnded(state.strHostKey, 0);
    }
    // The handle outlives this state: nothing of it may stay pointed at.
    CURL* pEasy = state.easy.Get();
    curl_easy_setopt(pEasy, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(pEasy, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(pEasy, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(pEasy, CURLOPT_PREREQDATA, nullptr);
    curl_easy_setopt(pEasy, CURLOPT_HTTPHEADER, nullptr);
    if (idle.size() < nMaxIdle && state.nGeneration == nGeneration) {
        try {
            idle.push_back(std::move(state.easy));
        } catch (...) {
            // Out of memory: the handle is simply freed with the state.
        }
    }
}

void CTransferEngine::StartLibrary()
{
    static const CURLcode s_result = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (s_result != CURLE_OK)
        throw CInternetException(std::string("The network library cannot start: ") + curl_easy_strerror(s_result));
}

CTransferEngine::CTransferEngine()
{
    StartLibrary();
    m_pImpl = std::make_shared<CImpl>();
    m_pImpl->multi = CMultiHandle(curl_multi_init());
    if (!m_pImpl->multi)
        throw CInternetException("The network library cannot open a session");
}

CTransferEngine::~CTransferEngine()
{
    // A parked transfer holds the engine's inner part: end them first.
    m_pImpl->parked.Clear();
}

void CTransferEngine::SetConnectTimeout(long nMilliseconds)
{
    m_pImpl->nConnectTimeout = std::max(1L, nMilliseconds);
}

void CTransferEngine::SetStallTimeout(long nMilliseconds)
{
    m_pImpl->nStallTimeout = std::max(1L, nMilliseconds);
}

void CTransferEngine::SetPumpCallback(std::function<void()> pump)
{
    m_pImpl->pump = std::move(pump);
}

void CTransferEngine::SetConnectionLimits(long nPerHost, std::size_t nIdleHandles)
{
    m_pImpl->nPerHost = std::max(1L, nPerHost);
    m_pImpl->gate.SetCeiling(static_cast<int>(std::min(m_pImpl->nPerHost, LIBRARY_MAX_STREAMS)));
    curl_multi_setopt(m_pImpl->multi.Get(), CURLMOPT_MAX_HOST_CONNECTIONS, m_pImpl->nPerHost);
    m_pImpl->ApplyStreamLimit();
    m_pImpl->nMaxIdle = nIdleHandles;
}

void CTransferEngine::SetEndedCallback(std::function<void()> onEnded)
{
    m_pImpl->onEnded = std::move(onEnded);
}

std::unique_ptr<CTransfer> CTransferEngine::Start(
    const std::string& strURL, bool bHeadOnly, const std::vector<std::string>& headers)
{
    return Start(strURL, bHeadOnly ? ERequest::HEAD : ERequest::GET, headers);
}

void CTransferEngine::WaitUntil(Clock::time_point until)
{
    for (Clock::time_point now = Clock::now(); now < until; now = Clock::now()) {
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(until - now);
        m_pImpl->RunSlice(static_cast<long>(remaining.count()));
    }
}

std::optional<std::time_t> CTransferEngine::ParseHttpDate(const std::string& strDate)
{
    const std::time_t time = curl_getdate(strDate.c_str(), nullptr);
    if (time == -1)
        return std::nullopt;
    return time;
}

std::unique_ptr<CTransfer> CTransferEngine::Start(
    const std::string& strURL, ERequest eRequest, const std::vector<std::string>& headers)
{
    if (eRequest == ERequest::GET_HEADERS) {
        std::unique_ptr<CTransfer> pTransfer = m_pImpl->Launch(strURL, eRequest, headers);
        m_pImpl->Perform();
        return pTransfer;
    }
    const bool bHeadOnly = eRequest == ERequest::HEAD;
    std::unique_ptr<CTransfer> pAhead = m_pImpl->parked.Take(AheadKey(strURL, bHeadOnly, headers));
    // A time-out measures how long the crawl waited, and it had not waited
    // for a request that timed out ahead of its turn: that one goes again.
    if (pAhead && !(pAhead->m_pState->bDone && pAhead->m_pState->result == CURLE_OPERATION_TIMEDOUT)) {
        pAhead->m_pState->nAheadId = 0;
        return pAhead;
    }
    pAhead.reset();
    std::unique_ptr<CTransfer> pTransfer = m_pImpl->Launch(strURL, eRequest, headers);
    m_pImpl->Perform();
    return pTransfer;
}

std::uint64_t CTransferEngine::StartAhead(
    const std::string& strURL, bool bHeadOnly, const std::vector<std::string>& headers)
{
    try {
        // Not driven here: the next slice of whoever waits sends it.
        std::unique_ptr<CTransfer> pTransfer
            = m_pImpl->Launch(strURL, bHeadOnly ? ERequest::HEAD : ERequest::GET, headers);
        CTransfer::CState& state = *pTransfer->m_pState;
        state.nAheadId = m_pImpl->parked.Park(AheadKey(strURL, bHeadOnly, headers), std::move(pTransfer));
        return state.nAheadId;
    } catch (const CInternetException&) {
        return 0;
    }
}

bool CTransferEngine::IsAhead(const std::string& strURL, bool bHeadOnly, const std::vector<std::string>& headers) const
{
    return m_pImpl->parked.HasKey(AheadKey(strURL, bHeadOnly, headers));
}

bool CTransferEngine::IsAhead(std::uint64_t nId) const
{
    return m_pImpl->parked.Find(nId) != nullptr;
}

const std::string* CTransferEngine::GetEndedBody(std::uint64_t nId) const
{
    const CTransfer* pTransfer = GetEndedTransfer(nId);
    return pTransfer ? &pTransfer->m_pState->strBody : nullptr;
}

const CTransfer* CTransferEngine::GetEndedTransfer(std::uint64_t nId) const
{
    const CTransfer* pTransfer = m_pImpl->parked.Find(nId);
    // A request that timed out goes again when taken over: its answer is not the one read then.
    if (!pTransfer || !pTransfer->m_pState->bDone || pTransfer->m_pState->result == CURLE_OPERATION_TIMEDOUT)
        return nullptr;
    return pTransfer;
}

void CTransferEngine::DropAhead(std::uint64_t nId)
{
    m_pImpl->parked.Discard(nId);
}

std::size_t CTransferEngine::GetAheadCount() const
{
    return m_pImpl->parked.GetCount();
}

std::size_t CTransferEngine::GetRunningCount() const
{
    // A request waiting only for its host's room counts, as it would in
    // libcurl's own per-host queue: else read-ahead keeps sending more.
    const Clock::time_point now = Clock::now();
    const auto nWaiting = std::count_if(m_pImpl->pending.begin(), m_pImpl->pending.end(),
        [&](const CTransfer::CState* pState) { return m_pImpl->gate.WaitsOnlyForRoom(pState->strHostKey, now); });
    return m_pImpl->active.size() + static_cast<std::size_t>(nWaiting);
}

void CTransferEngine::PauseHost(const std::string& strURL, std::chrono::steady_clock::time_point until)
{
    // A pause is the gate's: from here on requests pass through it.
    m_pImpl->bGated = true;
    m_pImpl->gate.Pause(CHostGate::HostKey(strURL), until);
}

void CTransferEngine::Drive()
{
    m_pImpl->Perform();
}

CTransfer::CTransfer(std::unique_ptr<CState> pState)
    : m_pState(std::move(pState))
{
}

CTransfer::~CTransfer()
{
    m_pState->pEngine->Release(*m_pState);
}

void CTransfer::WaitForResponse()
{
    CState& state = *m_pState;
    while (!state.bDone && !state.bBodyStarted)
        state.pEngine->RunSlice();
    // A failure after the body began is Read's to report, once the bytes
    // before it are used: whether it came before this wait ended or after
    // must not change what the reader gets.
    if (state.HasFailed() && !state.bBodyStarted)
        throw state.MakeFailure();
}

std::size_t CTransfer::Read(char* pBuffer, std::size_t nCount)
{
    CState& state = *m_pState;
    while (state.GetAvailable() < nCount && !state.bDone) {
        if (state.bPaused)
            state.pEngine->Resume(state);
        state.pEngine->RunSlice();
    }
    const std::size_t nCopied = std::min(nCount, state.GetAvailable());
    if (nCopied == 0 && state.HasFailed())
        throw state.MakeFailure();
    std::memcpy(pBuffer, state.strBody.data() + state.nBodyPos, nCopied);
    state.nBodyPos += nCopied;
    if (state.bPaused && state.GetAvailable() < CTransferEngine::MAX_UNREAD / 2)
        state.pEngine->Resume(state);
    // Drop what was read once it is the larger part, so reading stays linear.
    if (state.nBodyPos > state.strBody.size() / 2) {
        state.strBody.erase(0, state.nBodyPos);
        state.nBodyPos = 0;
    }
    return nCopied;
}

int CTransfer::GetStatusCode() const
{
    long nCode = 0;
    if (curl_easy_getinfo(m_pState->easy.Get(), CURLINFO_RESPONSE_CODE, &nCode) != CURLE_OK)
        return 0;
    return static_cast<int>(nCode);
}

std::string CTransfer::GetStatusLine() const
{
    return m_pState->strStatusLine;
}

std::string CTransfer::GetRawHeaders() const
{
    return m_pState->strHeaders;
}

std::string CTransfer::GetFinalURL() const
{
    const char* pszURL = nullptr;
    if (curl_easy_getinfo(m_pState->easy.Get(), CURLINFO_EFFECTIVE_URL, &pszURL) != CURLE_OK || !pszURL)
        return std::string();
    return pszURL;
}

std::string CTransfer::GetContentType() const
{
    const char* pszType = nullptr;
    if (curl_easy_getinfo(m_pState->easy.Get(), CURLINFO_CONTENT_TYPE, &pszType) != CURLE_OK || !pszType)
        return std::string();
    return pszType;
}

std::vector<int> CTransfer::GetRedirectCodes() const
{
    return m_pState->redirectCodes;
}

Clock::time_point CTransfer::GetAnswerTime() const
{
    return m_pState->answerTime;
}

std::string CTransfer::GetHeader(const std::string& strName) const
{
    curl_header* pHeader = nullptr;
    if (curl_easy_header(m_pState->easy.Get(), strName.c_str(), 0, CURLH_HEADER, -1, &pHeader) != CURLHE_OK
        || !pHeader->value)
        return std::string();
    // libcurl gives the index of the last of several fields of one name.
    const std::size_t nLast = pHeader->amount - 1;
    if (nLast != 0
        && curl_easy_header(m_pState->easy.Get(), strName.c_str(), nLast, CURLH_HEADER, -1, &pHeader) != CURLHE_OK)
        return std::string();
    return pHeader->value ? pHeader->value : std::string();
}
