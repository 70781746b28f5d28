// The engine's pace per host: how fast a new host's connections open, what
// an open that takes too long does, and where a request waits for HTTP/2.
#include "net/TransferEngineImpl.h"

#include "net/HostGate.h"
#include "net/TransferState.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A request whose opens are slow for another reason (a far or loaded host)
// must not be opened anew for ever: after these it waits for its open.
constexpr int MAX_REOPENS = 2;

} // namespace

bool CTransferEngine::CImpl::HasPending(const std::string& strHostKey) const
{
    return !strHostKey.empty()
        && std::any_of(pending.begin(), pending.end(),
            [&strHostKey](const CTransfer::CState* pState) { return pState->strHostKey == strHostKey; });
}

// An open is judged by the time the engine drove it: while the crawl reads
// a page, no connection is looked at, and that time is not the host's.
void CTransferEngine::CImpl::WatchOpens()
{
    const Clock::time_point now = Clock::now();
    const Clock::duration driven = std::min<Clock::duration>(now - lastWatch, std::chrono::milliseconds(2 * SLICE_MS));
    lastWatch = now;
    std::vector<CTransfer::CState*> slow;
    for (const auto& [pEasy, pState] : active) {
        if (pState->bOpened || !pState->bAdmitted || pState->nSlowOpens > MAX_REOPENS)
            continue;
        pState->openWaited += std::min(driven, now - pState->openStart);
        // Backs off before the slow open ends: the kernel's retry comes late.
        if (gate.IsSlowOpen(pState->strHostKey, pState->openWaited)) {
            gate.OnSlowOpen(pState->strHostKey, pState->openStart, now);
            if (++pState->nSlowOpens <= MAX_REOPENS)
                slow.push_back(pState);
        }
    }
    for (CTransfer::CState* pState : slow)
        Requeue(*pState);
}

// Nothing of the request has gone out yet. An attempt that a full listen
// queue dropped, the kernel sends again only after a second: the request
// goes back to the head of its host's queue and opens anew once the lowered
// limit has room, where its host's other connections left some.
void CTransferEngine::CImpl::Requeue(CTransfer::CState& state)
{
    curl_multi_remove_handle(multi.Get(), state.easy.Get());
    active.erase(state.easy.Get());
    state.bAdmitted = false;
    gate.OnEnded(state.strHostKey, 0);
    state.openWaited = {};
    pending.push_front(&state);
    state.bPending = true;
}

// HTTP/2 comes over TLS only, and not from a host that answered over HTTP/1.x.
bool CTransferEngine::CImpl::MayMultiplex(const std::string& strURL) const
{
    // A web URL whose fifth letter is no colon is an https one.
    const std::string strHostKey = CHostGate::HostKey(strURL);
    return !strHostKey.empty() && strURL[4] != ':' && singleStreamHosts.count(strHostKey) == 0;
}

void CTransferEngine::CImpl::NoteHttpVersion(const CTransfer::CState& state)
{
    long nVersion = 0;
    char* pszURL = nullptr;
    if (options.eHttpVersion != STransferOptions::EHttpVersion::HTTP2_MULTIPLEXED || state.nResponseCode == 0
        || curl_easy_getinfo(state.easy.Get(), CURLINFO_HTTP_VERSION, &nVersion) != CURLE_OK
        || (nVersion != CURL_HTTP_VERSION_1_0 && nVersion != CURL_HTTP_VERSION_1_1)
        || curl_easy_getinfo(state.easy.Get(), CURLINFO_EFFECTIVE_URL, &pszURL) != CURLE_OK || !pszURL
        || std::string_view(pszURL).substr(0, 6) != "https:")
        return;
    try {
        singleStreamHosts.insert(CHostGate::HostKey(pszURL));
    } catch (...) {
        // Out of memory: the host's requests go on waiting for a stream.
    }
}
