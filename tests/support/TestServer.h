#pragma once

#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

/// An HTTP server inside the test process, on a free port of a loopback
/// address, bound at construction. Add routes, then Start; the destructor
/// stops and joins it.
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
    CTestServer(const CTestServer&) = delete;
    CTestServer& operator=(const CTestServer&) = delete;
    ~CTestServer();

    /// The underlying server, for handlers a route cannot express.
    httplib::Server& GetServer() { return m_server; }
    void AddRoute(const CRoute& route);
    void AddRoutes(const std::vector<CRoute>& routes);
    /// Serves on a thread; returns once it runs. Routes are fixed from here.
    void Start();
    void Stop();

    int GetPort() const { return m_nPort; }
    const std::string& GetHost() const { return m_strHost; }
    /// "http://host:port" followed by strPath.
    std::string GetURL(const std::string& strPath) const;
    /// Every request answered so far, as "METHOD /path", in order.
    std::vector<std::string> GetRequests() const;
    /// How many requests of this method and path were answered.
    int CountRequests(const std::string& strMethod, const std::string& strPath) const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::string m_strHost;
    httplib::Server m_server;
    std::thread m_thread;
    int m_nPort = 0;
};
