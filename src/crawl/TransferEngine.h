#pragma once

#include <functional>
#include <memory>
#include <string>

class CTransfer;

/// The network side of one internet session: a libcurl multi handle, whose
/// connection cache every request of the session shares, and the easy
/// handles kept for reuse. Requests run on the calling thread, driven in
/// short slices between which the pump callback runs.
class CTransferEngine {
public:
    /// The longest wait between two runs of the pump while a request waits.
    static constexpr long SLICE_MS = 50;
    /// Redirects followed before a request fails: ends redirect loops.
    static constexpr long MAX_REDIRECTS = 10;

    /// Throws CInternetException when libcurl cannot start.
    CTransferEngine();
    CTransferEngine(const CTransferEngine&) = delete;
    CTransferEngine& operator=(const CTransferEngine&) = delete;
    ~CTransferEngine();

    /// Bounds name resolution plus connecting, for requests started later.
    void SetConnectTimeout(long nMilliseconds);
    /// Once connected, a request that moves no data for this long fails.
    void SetStallTimeout(long nMilliseconds);
    /// Called between slices while a request waits; may be empty.
    void SetPumpCallback(std::function<void()> pump);

    /// Starts a GET of strURL (a HEAD when bHeadOnly), redirects followed,
    /// http and https only. Throws CInternetException when it cannot start.
    std::unique_ptr<CTransfer> Start(const std::string& strURL, bool bHeadOnly);

    struct CImpl;

private:
    std::shared_ptr<CImpl> m_pImpl;
};
