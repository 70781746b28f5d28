#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CTransfer;
struct STransferOptions;

/// The network side of one internet session: a libcurl multi handle, whose
/// connection cache every request of the session shares, the easy handles
/// kept for reuse, and the requests sent ahead of their turn. Requests run
/// on the calling thread, driven in short slices between which the pump
/// callback runs.
class CTransferEngine {
public:
    /// The longest wait between two runs of the pump while a request waits.
    static constexpr long SLICE_MS = 50;
    /// Redirects followed before a request fails: ends redirect loops.
    static constexpr long MAX_REDIRECTS = 10;
    /// Body bytes a transfer holds unread before it pauses until they are
    /// read: requests sent ahead must not fill memory with documents that
    /// nobody reads yet.
    static constexpr std::size_t MAX_UNREAD = std::size_t {256} << 10;
    /// Header bytes one response may bring, trailers included: a server
    /// that never ends them must not fill memory.
    static constexpr std::size_t MAX_HEADER_BLOCK = std::size_t {512} << 10;
    /// The rate a connected transfer must keep up, on average over the stall
    /// time-out: a server must not hold the crawl by dripping bytes.
    static constexpr std::size_t MIN_BYTES_PER_SECOND = 16;

    /// Starts libcurl once per process; later calls only repeat the outcome.
    /// Throws CInternetException when it cannot start.
    static void StartLibrary();
    /// Throws CInternetException when libcurl cannot start.
    CTransferEngine();
    CTransferEngine(const CTransferEngine&) = delete;
    CTransferEngine& operator=(const CTransferEngine&) = delete;
    ~CTransferEngine();

    /// Bounds name resolution plus connecting, for requests started later.
    void SetConnectTimeout(long nMilliseconds);
    /// Once connected, a request that moves no data for this long fails, and
    /// so does one that receives less than MIN_BYTES_PER_SECOND on average
    /// over this long.
    void SetStallTimeout(long nMilliseconds);
    /// Called between slices while a request waits; may be empty.
    void SetPumpCallback(std::function<void()> pump);
    /// At most nPerHost connections to one host and port at a time, and
    /// with HTTP2_MULTIPLEXED at most nPerHost streams on one connection; up
    /// to nIdleHandles easy handles kept for reuse. A new host gets two at
    /// first, one more with each connection that opens promptly, and half
    /// as many for good once one takes far longer than its others.
    void SetConnectionLimits(long nPerHost, std::size_t nIdleHandles);
    /// Options for requests started later; idle handles configured under
    /// the old ones are dropped. CURL_CA_BUNDLE, when the options ask for
    /// it, is read here.
    void SetTransferOptions(const STransferOptions& options);
    /// Called while a request waits, after other requests have ended; it may
    /// send requests ahead but must not wait. May be empty.
    void SetEndedCallback(std::function<void()> onEnded);

    /// What a request asks for: the whole answer, the header block alone
    /// (HEAD), or a GET that ends once the final header block is in, its
    /// body never read.
    enum class ERequest { GET, HEAD, GET_HEADERS };

    /// Starts the request for strURL, redirects followed, http and https
    /// only, with the extra header lines given ("Name: value"); takes over
    /// the same request sent ahead, if any (GET_HEADERS is never sent
    /// ahead). Under a host's limits (STransferOptions) it may go out later,
    /// while the transfer waits; while strURL's host is paused it waits,
    /// driving the others. Throws CInternetException when it cannot start.
    std::unique_ptr<CTransfer> Start(
        const std::string& strURL, ERequest eRequest, const std::vector<std::string>& headers = {});
    /// The same without header lines, following at most nMaxRedirects
    /// redirects (a longer chain fails as a redirect loop); never takes over
    /// a request sent ahead.
    std::unique_ptr<CTransfer> StartWithRedirectLimit(const std::string& strURL, ERequest eRequest, long nMaxRedirects);
    /// Drives every request and runs the pump until the time comes.
    void WaitUntil(std::chrono::steady_clock::time_point until);
    /// The time an HTTP date names, as libcurl reads dates; none when it is not one.
    static std::optional<std::time_t> ParseHttpDate(const std::string& strDate);

    /// Sends a GET or HEAD ahead of its turn: the next Start of the same
    /// request, URL and header lines takes it over. Returns its id, or 0
    /// when it cannot start (a GET_HEADERS never does).
    std::uint64_t StartAhead(
        const std::string& strURL, ERequest eRequest, const std::vector<std::string>& headers = {});
    /// True while a request of this kind, URL and header lines waits to be
    /// taken over.
    bool IsAhead(const std::string& strURL, ERequest eRequest, const std::vector<std::string>& headers = {}) const;
    /// True while the request of this id waits to be taken over.
    bool IsAhead(std::uint64_t nId) const;
    /// The body of a request sent ahead once it has ended, failed or not,
    /// exactly as the request that takes it over will read it; null while it
    /// runs, after a time-out, or once it is no longer waiting.
    const std::string* GetEndedBody(std::uint64_t nId) const;
    /// The request sent ahead whose body GetEndedBody gives, for its final
    /// URL, status and Content-Type; null whenever GetEndedBody is.
    const CTransfer* GetEndedTransfer(std::uint64_t nId) const;
    /// Abandons a request sent ahead; nothing once it has been taken over.
    void DropAhead(std::uint64_t nId);
    /// Starts no new request to strURL's host and port before until; requests already started go on.
    void PauseHost(const std::string& strURL, std::chrono::steady_clock::time_point until);
    /// Requests sent ahead that wait to be taken over.
    std::size_t GetAheadCount() const;
    /// Requests in flight, taken over or not: started and not yet ended,
    /// and those held only until their host has room. Those a pause or the
    /// rate holds back are not: a waiting host must not take up the room
    /// other hosts' requests go ahead in.
    std::size_t GetRunningCount() const;
    /// Moves every request on as far as it can go without waiting.
    void Drive();

    struct CImpl;

private:
    std::shared_ptr<CImpl> m_pImpl;
};
