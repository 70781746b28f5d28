#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CHttpConnection;
class CInternetFile;
class CTransferEngine;
struct STransferOptions;

/// The one internet session of a crawl: its time-outs, the system's proxy
/// settings (the standard environment variables) and one connection cache
/// for all its requests. Every request blocks its caller, pumping.
class CInternetSession {
public:
    /// The session's time-outs, each in milliseconds.
    enum class EOption { CONNECT_TIMEOUT, SEND_TIMEOUT, RECEIVE_TIMEOUT, DATA_SEND_TIMEOUT, DATA_RECEIVE_TIMEOUT };

    /// Starts the network library once per process, before any session;
    /// false when it cannot start.
    static bool StartNetwork();

    /// Throws CInternetException when the network library cannot start.
    CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;
    ~CInternetSession();

    /// Sets one of the five time-outs for later requests; false after
    /// Close. The four sending and receiving ones bound how long a connected
    /// request may move no data; the largest of them counts.
    bool SetOption(EOption eOption, unsigned long nMilliseconds);
    /// How later requests go out (see STransferOptions); nothing after Close.
    void SetTransferOptions(const STransferOptions& options);
    /// Called repeatedly while a request waits, so a window stays alive.
    void SetPumpCallback(std::function<void()> pump);

    /// A readable document: for a text starting with "file://" the local
    /// file named by the rest exactly as written, otherwise the body of a
    /// GET with the header lines given. Throws CInternetException when it
    /// cannot be opened.
    std::unique_ptr<CInternetFile> OpenURL(const std::string& strURL, const std::vector<std::string>& headers = {});
    /// A connection to strServer on nPort (0: the default HTTP port).
    /// Throws CInternetException after Close.
    std::unique_ptr<CHttpConnection> GetHttpConnection(const std::string& strServer, int nPort = 0);
    /// Ends the session; later requests throw CInternetException.
    void Close();
    /// The network side, for sending requests ahead; null after Close.
    std::shared_ptr<CTransferEngine> GetTransferEngine() const { return m_pEngine; }

private:
    std::shared_ptr<CTransferEngine> GetEngine() const;

    std::shared_ptr<CTransferEngine> m_pEngine;
    // Send, receive, data send, data receive.
    std::array<unsigned long, 4> m_stallTimeouts = {10000, 10000, 10000, 10000};
};
