#include "support/TestServer.h"

#include "support/PollUntil.h"
#include "support/TlsIdentity.h"

#include <openssl/ssl.h>

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
    : CTestServer(std::make_unique<httplib::Server>(), "http", std::move(strHost))
{
}

CTestServer::CTestServer(const CTlsIdentity& identity, std::string strHost)
    : CTestServer(MakeTlsServer(identity), "https", std::move(strHost))
{
}

CTestServer::CTestServer(std::unique_ptr<httplib::Server> pServer, std::string strScheme, std::string strHost)
    : m_strScheme(std::move(strScheme))
    , m_strHost(std::move(strHost))
    , m_pServer(std::move(pServer))
{
    // A client's idle connection must not hold up Stop for long.
    m_pServer->set_keep_alive_timeout(1);
    // Headers and body go out as separate writes; Nagle would hold the body
    // back for the client's delayed acknowledgement.
    m_pServer->set_tcp_nodelay(true);
    // Noted before the answer goes out, so a client never sees it first.
    m_pServer->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request.method + " " + request.path);
        m_requestTimes.push_back(std::chrono::steady_clock::now());
        return httplib::Server::HandlerResponse::Unhandled;
    });
    m_nPort = m_pServer->bind_to_any_port(m_strHost);
    if (m_nPort <= 0)
        throw std::runtime_error("test server cannot bind to " + m_strHost);
}

CTestServer::~CTestServer()
{
    Stop();
}

void CTestServer::AddRoute(const CRoute& route)
{
    m_pServer->Get(LiteralPattern(route.strPath), [route](const httplib::Request&, httplib::Response& response) {
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
    m_thread = std::thread([this] { m_pServer->listen_after_bind(); });
    // Stopping a server that has not started listening yet would not stop it.
    PollUntil([this] { return m_pServer->is_running(); });
}

void CTestServer::Stop()
{
    if (!m_thread.joinable())
        return;
    m_pServer->stop();
    m_thread.join();
}

std::string CTestServer::GetURL(const std::string& strPath) const
{
    return m_strScheme + "://" + m_strHost + ":" + std::to_string(m_nPort) + strPath;
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

std::vector<std::chrono::steady_clock::time_point> CTestServer::GetRequestTimes(
    const std::string& strMethod, const std::string& strPath) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::chrono::steady_clock::time_point> times;
    for (std::size_t nAt = 0; nAt < m_requests.size(); ++nAt)
        if (m_requests[nAt] == strMethod + " " + strPath)
            times.push_back(m_requestTimes[nAt]);
    return times;
}

// Answers HTTP/1.1 when offered, as a server without HTTP/2 does, after
// noting what the client offered.
int CTestServer::SelectProtocol(SSL*, const unsigned char** ppOut, unsigned char* pOutLength, const unsigned char* pIn,
    unsigned nInLength, void* pServer)
{
    static const unsigned char HTTP11[] = "\x08http/1.1";
    static_cast<CTestServer*>(pServer)->NoteOfferedProtocols(pIn, nInLength);
    unsigned char* pSelected = nullptr;
    if (SSL_select_next_proto(&pSelected, pOutLength, HTTP11, sizeof(HTTP11) - 1, pIn, nInLength)
        != OPENSSL_NPN_NEGOTIATED)
        return SSL_TLSEXT_ERR_NOACK;
    *ppOut = pSelected;
    return SSL_TLSEXT_ERR_OK;
}

std::unique_ptr<httplib::Server> CTestServer::MakeTlsServer(const CTlsIdentity& identity)
{
    auto pServer = std::make_unique<httplib::SSLServer>([this, &identity](SSL_CTX& context) {
        SSL_CTX_set_alpn_select_cb(&context, &SelectProtocol, this);
        return SSL_CTX_use_certificate(&context, identity.GetCertificate()) == 1
            && SSL_CTX_use_PrivateKey(&context, identity.GetKey()) == 1;
    });
    if (!pServer->is_valid())
        throw std::runtime_error("test server cannot use its certificate");
    return pServer;
}

void CTestServer::NoteOfferedProtocols(const unsigned char* pList, unsigned nLength)
{
    // Each protocol name comes after a byte giving its length.
    std::string strOffered;
    for (unsigned nPos = 0; nPos < nLength; nPos += 1u + pList[nPos]) {
        const unsigned nNameLength = std::min<unsigned>(pList[nPos], nLength - nPos - 1);
        if (!strOffered.empty())
            strOffered += ',';
        strOffered.append(reinterpret_cast<const char*>(pList + nPos + 1), nNameLength);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_offeredProtocols.push_back(strOffered);
}

std::vector<std::string> CTestServer::GetOfferedProtocols() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_offeredProtocols;
}
