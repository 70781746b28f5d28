#pragma once

#include <httplib.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CTlsIdentity;

/// An HTTP or HTTPS server inside the test process, on a free port of a
/// loopback address, bound at construction. Add routes, then Start; the
/// destructor stops and joins it.
class CTestServer {
public:
    /// One scripted answer: GET (and HEAD, without the body) of strPath.
    struct CRoute {
        std::string strPath;
        int nStatus = 200;
        std::string strContentType = "text/html";
        std::string strBody;
        /// Extra header lines, as name and value.
        std::vector<std::pair<std::string, std::string>> headers;
    };

    explicit CTestServer(std::string strHost = "127.0.0.1");
    /// An HTTPS server presenting identity's certificate (HTTP/1.1 only).
    explicit CTestServer(const CTlsIdentity& identity, std::string strHost = "127.0.0.1");
    CTestServer(const CTestServer&) = delete;
    CTestServer& operator=(const CTestServer&) = delete;
    ~CTestServer();

    /// The underlying server, for handlers a route cannot express.
    httplib::Server& GetServer() { return *m_pServer; }
    void AddRoute(const CRoute& route);
    void AddRoutes(const std::vector<CRoute>& routes);
    /// Serves on a thread; returns once it runs. Routes are fixed from here.
    void Start();
    void Stop();

    int GetPort() const { return m_nPort; }
    const std::string& GetHost() const { return m_strHost; }
    /// "http://host:port" (https for an HTTPS server) followed by strPath.
    std::string GetURL(const std::string& strPath) const;
    /// Every request answered so far, as "METHOD /path", in order.
    std::vector<std::string> GetRequests() const;
    /// How many requests of this method and path were answered.
    int CountRequests(const std::string& strMethod, const std::string& strPath) const;
    /// When each request of this method and path arrived, in order.
    std::vector<std::chrono::steady_clock::time_point> GetRequestTimes(
        const std::string& strMethod, const std::string& strPath) const;
    /// The protocols each TLS handshake so far offered (ALPN), in order, as
    /// a comma-separated list such as "h2,http/1.1"; empty when none.
    std::vector<std::string> GetOfferedProtocols() const;

private:
    CTestServer(std::unique_ptr<httplib::Server> pServer, std::string strScheme, std::string strHost);
    std::unique_ptr<httplib::Server> MakeTlsServer(const CTlsIdentity& identity);
    static int SelectProtocol(SSL* pSsl, const unsigned char** ppOut, unsigned char* pOutLength,
        const unsigned char* pIn, unsigned nInLength, void* pServer);
    void NoteOfferedProtocols(const unsigned char* pList, unsigned nLength);

    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::vector<std::chrono::steady_clock::time_point> m_requestTimes;
    std::vector<std::string> m_offeredProtocols;
    std::string m_strScheme;
    std::string m_strHost;
    std::unique_ptr<httplib::Server> m_pServer;
    std::thread m_thread;
    int m_nPort = 0;
};
