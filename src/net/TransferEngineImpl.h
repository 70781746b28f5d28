#pragma once

// The engine's inside: only the files that speak to libcurl include it.
#include "net/HostGate.h"
#include "net/ParkedTransfers.h"
#include "net/TransferEngine.h"
#include "net/TransferOptions.h"
#include "net/TransferState.h"

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

/// The engine's state behind its one public face: the multi handle, the
/// requests running and held, and how each request is set up.
struct CTransferEngine::CImpl : std::enable_shared_from_this<CTransferEngine::CImpl> {
    // Idle easy handles kept for reuse unless the session asks for more;
    // more than it runs at once would only hold memory.
    static constexpr std::size_t DEFAULT_IDLE_HANDLES = 4;

    static bool IsSigpipeIgnored();

    CMultiHandle multi;
    std::vector<CEasyHandle> idle;
    std::size_t nMaxIdle = DEFAULT_IDLE_HANDLES;
    std::unordered_map<CURL*, CTransfer::CState*> active;
    CParkedTransfers parked;
    // Requests the host gate holds back, in the order they were made.
    std::list<CTransfer::CState*> pending;
    CHostGate gate;
    // Hosts whose answers came over HTTP/1.x: their requests never wait
    // for a connection to multiplex on.
    std::unordered_set<std::string> singleStreamHosts;
    std::chrono::steady_clock::time_point lastWatch = std::chrono::steady_clock::now();
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
    std::chrono::steady_clock::time_point lastPump = std::chrono::steady_clock::now();

    void Configure(CTransfer::CState& state, const std::string& strURL, ERequest eRequest) const;
    void ApplyOptions(CURL* pEasy, const std::string& strURL) const;
    bool MayMultiplex(const std::string& strURL) const;
    void NoteHttpVersion(const CTransfer::CState& state);
    void ApplyHeaders(CTransfer::CState& state, const std::string& strURL) const;
    bool FollowRedirect(CTransfer::CState& state, CURLcode& result);
    void ApplyStreamLimit();
    std::unique_ptr<CTransfer> Launch(
        const std::string& strURL, ERequest eRequest, const std::vector<std::string>& headers);
    void Admit(CTransfer::CState& state);
    void StartPending();
    bool StartPendingPass(bool bOwn, std::chrono::steady_clock::time_point now);
    bool MakeRoom(const std::string& strHostKey);
    bool HasPending(const std::string& strHostKey) const;
    void PauseAsAsked(const CTransfer::CState& state);
    std::size_t Perform();
    void RunSlice(long nMaxWaitMs = SLICE_MS);
    void ReportEnded();
    void Resume(CTransfer::CState& state);
    void Finish(CTransfer::CState& state, CURLcode result);
    void AbortStalled();
    void WatchOpens();
    void Requeue(CTransfer::CState& state);
    void Release(CTransfer::CState& state);
};
