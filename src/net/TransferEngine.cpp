// The engine's scheduling: which request goes to libcurl when, and what
// ends it. How each request is set up is in TransferEngineRequest.cpp.
#include "net/TransferEngine.h"

#include "net/HostGate.h"
#include "net/InternetException.h"
#include "net/RetryAfter.h"
#include "net/Transfer.h"
#include "net/TransferEngineImpl.h"
#include "net/TransferOptions.h"
#include "net/TransferState.h"
#include "net/WebUrl.h"

#include <curl/curl.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <new>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using ERequest = CTransferEngine::ERequest;

// libcurl's own bound on the streams of one HTTP/2 connection.
constexpr long LIBRARY_MAX_STREAMS = 100;
// Requests in flight to a host not yet known: a small server's listen queue
// holds a few connection attempts, and the kernel sends a dropped one again
// only after a second.
constexpr int FIRST_OPENS = 2;

// Requests with other header lines are other requests: a conditional GET
// must not take over a plain one.
std::string AheadKey(
    const std::string& strURL, CTransferEngine::ERequest eRequest, const std::vector<std::string>& headers)
{
    std::string strKey(eRequest == CTransferEngine::ERequest::HEAD ? "HEAD " : "GET ");
    strKey.append(strURL);
    for (const std::string& strHeader : headers)
        strKey.append("\n").append(strHeader);
    return strKey;
}

std::string DescribeDuration(long nMilliseconds)
{
    if (nMilliseconds % 1000 == 0)
        return std::to_string(nMilliseconds / 1000) + (nMilliseconds == 1000 ? " second" : " seconds");
    return std::to_string(nMilliseconds) + " milliseconds";
}

// As the curl tool reads it: a given bundle wins over the environment.
std::string ChooseCABundle(const STransferOptions& options)
{
    if (!options.strCABundle.empty() || !options.bCABundleFromEnvironment)
        return options.strCABundle;
    const char* pszBundle = std::getenv("CURL_CA_BUNDLE");
    return pszBundle ? pszBundle : "";
}

} // namespace

bool CTransferEngine::CImpl::IsSigpipeIgnored()
{
    struct sigaction current {};
    return ::sigaction(SIGPIPE, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0
        && current.sa_handler == SIG_IGN;
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
    m_pImpl->gate.SetTuneByAnswers(options.bTuneHostLimit);
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
    pState->strHostKey = CHostGate::HostKey(strURL);
    CTransfer::CState& state = *pState;
    std::unique_ptr<CTransfer> pTransfer(new CTransfer(std::move(pState)));
    // It waits too while its host holds others back, rather than overtake
    // them: a retry that is due takes the host's next free place, ahead of
    // the requests sent ahead.
    if (!gate.MayStart(state.strHostKey, Clock::now()) || HasPending(state.strHostKey)) {
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
    state.openStart = Clock::now();
    gate.OnStarted(state.strHostKey, state.openStart);
    state.bAdmitted = true;
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
    WatchOpens();
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
    NoteHttpVersion(state);
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
    m_pImpl->gate.SetCeiling(static_cast<int>(LIBRARY_MAX_STREAMS));
    m_pImpl->gate.SetFirstOpens(FIRST_OPENS);
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
    std::unique_ptr<CTransfer> pAhead = m_pImpl->parked.Take(AheadKey(strURL, eRequest, headers));
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
    const std::string& strURL, ERequest eRequest, const std::vector<std::string>& headers)
{
    if (eRequest == ERequest::GET_HEADERS)
        return 0;
    try {
        // Not driven here: the next slice of whoever waits sends it.
        std::unique_ptr<CTransfer> pTransfer = m_pImpl->Launch(strURL, eRequest, headers);
        CTransfer::CState& state = *pTransfer->m_pState;
        state.nAheadId = m_pImpl->parked.Park(AheadKey(strURL, eRequest, headers), std::move(pTransfer));
        return state.nAheadId;
    } catch (const CInternetException&) {
        return 0;
    }
}

bool CTransferEngine::IsAhead(
    const std::string& strURL, ERequest eRequest, const std::vector<std::string>& headers) const
{
    return m_pImpl->parked.HasKey(AheadKey(strURL, eRequest, headers));
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
    m_pImpl->gate.Pause(CHostGate::HostKey(strURL), until);
}

void CTransferEngine::Drive()
{
    m_pImpl->Perform();
}
