#include "support/TestServer.h"

#include <algorithm>
#include <chrono>
#include <regex>
#include <stdexcept>

namespace {

// Routes name literal paths; the server reads its patterns as regexes.
std::string LiteralPattern(const std::string& strPath)
{
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(strPath, special, R"(\$&)");
}

} // namespace

CTestServer::CTestServer(std::string strHost)
    : m_strHost(std::move(strHost))
{
    // A client's idle connection must not hold up Stop for long.
    m_server.set_keep_alive_timeout(1);
    // Headers and body go out as separate writes; Nagle would hold the body
    // back for the client's delayed acknowledgement.
    m_server.set_tcp_nodelay(true);
    // Noted before the answer goes out, so a client never sees it first.
    m_server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request.method + " " + request.path);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    m_nPort = m_server.bind_to_any_port(m_strHost);
    if (m_nPort <= 0)
        throw std::runtime_error("test server cannot bind to " + m_strHost);
}

CTestServer::~CTestServer()
{
    Stop();
}

void CTestServer::AddRoute(const CRoute& route)
{
    m_server.Get(LiteralPattern(route.strPath), [route](const httplib::Request&, httplib::Response& response) {
        response.status = route.nStatus;
        for (const auto& [strName, strValue] : route.headers)
            response.set_header(strName, strValue);
        response.set_content(route.strBody, route.strContentType);
    });
}

void CTestServer::AddRoutes(const std::vector<CRoute>& routes)
{
    for (const CRoute& route : routes)
        AddRoute(route);
}

void CTestServer::Start()
{
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    // Stopping a server that has not started listening yet would not stop it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!m_server.is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void CTestServer::Stop()
{
    if (!m_thread.joinable())
        return;
    m_server.stop();
    m_thread.join();
}

std::string CTestServer::GetURL(const std::string& strPath) const
{
    return "http://" + m_strHost + ":" + std::to_string(m_nPort) + strPath;
}

std::vector<std::string> CTestServer::GetRequests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

int CTestServer::CountRequests(const std::string& strMethod, const std::string& strPath) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(std::count(m_requests.begin(), m_requests.end(), strMethod + " " + strPath));
}
