#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

/// A loopback server that answers in raw bytes, for what a real HTTP
/// server library will not send: any status line, or no answer at all.
/// Connections are served one at a time; each is closed after its answer.
class CRawServer {
public:
    /// Given one request head (up to its blank line), returns the bytes to
    /// send back; an empty answer keeps the connection open and silent
    /// until the client gives up or the server stops.
    using Responder = std::function<std::string(const std::string& strRequest)>;

    /// nBacklog bounds the connections the kernel holds for it to accept.
    explicit CRawServer(Responder responder, const std::string& strHost = "127.0.0.1", int nBacklog = 16);
    CRawServer(const CRawServer&) = delete;
    CRawServer& operator=(const CRawServer&) = delete;
    /// Stops serving and joins the thread.
    ~CRawServer();

    int GetPort() const { return m_nPort; }
    /// "http://host:port" followed by strPath.
    std::string GetURL(const std::string& strPath) const;
    /// Connections accepted so far.
    int GetConnectionCount() const { return m_nConnections; }

private:
    void Serve();
    void ServeConnection(int nSocket);
    bool WaitReadable(int nSocket) const;

    Responder m_responder;
    std::string m_strHost;
    int m_nListen = -1;
    int m_stopPipe[2] = {-1, -1};
    int m_nPort = 0;
    std::atomic<int> m_nConnections {0};
    std::thread m_thread;
};
