#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

/// A loopback server for misbehaving peers: each connection runs a script on
/// a thread of its own, which may answer in pieces, pause between them,
/// never end, or reset the connection. A connection is closed when its
/// script returns; the destructor makes every script's next call fail.
class CScriptServer {
public:
    /// One accepted connection, as its script sees it.
    class CConnection {
    public:
        /// The request head, up to its blank line; empty when the client
        /// sent none before the server stopped or the client gave up.
        const std::string& GetRequest() const { return m_strRequest; }
        /// Sends every byte; false once the client is gone or the server stops.
        bool Send(std::string_view bytes);
        /// Waits; false when the server stops meanwhile.
        bool Pause(std::chrono::milliseconds duration);
        /// Waits until the client hangs up or the server stops, reading and
        /// discarding whatever the client sends.
        void WaitForClose();
        /// Ends the connection with a TCP reset instead of an orderly close.
        void Reset();

    private:
        friend class CScriptServer;
        CConnection(int nSocket, int nStopFd);
        bool ReadRequest();

        int m_nSocket;
        int m_nStopFd;
        bool m_bReset = false;
        std::string m_strRequest;
    };

    using Script = std::function<void(CConnection& connection)>;
    /// When a script starts: once the request head has arrived, or as soon
    /// as the connection is accepted, for clients that send no HTTP first
    /// (a TLS handshake); then GetRequest stays empty and nothing is read.
    enum class EStart { AFTER_REQUEST_HEAD, ON_CONNECT };

    /// Listens on a free port of 127.0.0.1; throws std::runtime_error.
    explicit CScriptServer(Script script, EStart eStart = EStart::AFTER_REQUEST_HEAD);
    CScriptServer(const CScriptServer&) = delete;
    CScriptServer& operator=(const CScriptServer&) = delete;
    /// Stops every script and joins every thread.
    ~CScriptServer();

    int GetPort() const { return m_nPort; }
    /// "http://127.0.0.1:port" followed by strPath.
    std::string GetURL(const std::string& strPath) const;
    /// Connections accepted so far.
    int GetConnectionCount() const { return m_nConnections; }
    /// Every request line received so far ("GET /x HTTP/1.1"), in order.
    std::vector<std::string> GetRequestLines() const;

private:
    void Accept();
    void Serve(int nSocket);

    Script m_script;
    EStart m_eStart;
    int m_nListen = -1;
    int m_stopPipe[2] = {-1, -1};
    int m_nPort = 0;
    std::atomic<int> m_nConnections {0};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requestLines;
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
};
