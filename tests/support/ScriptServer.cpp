#include "support/ScriptServer.h"

#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A request head longer than this is no request these tests send.
constexpr std::size_t MAX_REQUEST = 65536;

// Waits for nEvents on nSocket; false when the stop pipe fires first or the
// time runs out (a negative nTimeoutMs waits for ever).
bool WaitFor(int nSocket, short nEvents, int nStopFd, int nTimeoutMs = -1)
{
    pollfd fds[2] = {{nSocket, nEvents, 0}, {nStopFd, POLLIN, 0}};
    int nReady = 0;
    while ((nReady = ::poll(fds, 2, nTimeoutMs)) < 0) {}
    return nReady > 0 && (fds[1].revents & POLLIN) == 0 && fds[0].revents != 0;
}

} // namespace

CScriptServer::CConnection::CConnection(int nSocket, int nStopFd)
    : m_nSocket(nSocket)
    , m_nStopFd(nStopFd)
{
}

bool CScriptServer::CConnection::ReadRequest()
{
    char szBuffer[4096];
    while (m_strRequest.find("\r\n\r\n") == std::string::npos && m_strRequest.size() < MAX_REQUEST) {
        if (!WaitFor(m_nSocket, POLLIN, m_nStopFd))
            return false;
        const ssize_t nRead = ::read(m_nSocket, szBuffer, sizeof(szBuffer));
        if (nRead <= 0)
            return false;
        m_strRequest.append(szBuffer, static_cast<std::size_t>(nRead));
    }
    return true;
}

bool CScriptServer::CConnection::Send(std::string_view bytes)
{
    while (!bytes.empty()) {
        if (!WaitFor(m_nSocket, POLLOUT, m_nStopFd))
            return false;
        const ssize_t nSent = ::send(m_nSocket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (nSent < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (nSent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(nSent));
    }
    return true;
}

bool CScriptServer::CConnection::Pause(std::chrono::milliseconds duration)
{
    pollfd stop = {m_nStopFd, POLLIN, 0};
    return ::poll(&stop, 1, static_cast<int>(duration.count())) == 0;
}

void CScriptServer::CConnection::WaitForClose()
{
    char szBuffer[4096];
    while (WaitFor(m_nSocket, POLLIN, m_nStopFd) && ::read(m_nSocket, szBuffer, sizeof(szBuffer)) > 0) {}
}

void CScriptServer::CConnection::Reset()
{
    // A zero linger time makes the close below send RST, not FIN.
    linger option {1, 0};
    ::setsockopt(m_nSocket, SOL_SOCKET, SO_LINGER, &option, sizeof(option));
    m_bReset = true;
}

CScriptServer::CScriptServer(Script script, EStart eStart)
    : m_script(std::move(script))
    , m_eStart(eStart)
{
    m_nListen = BindLoopback("127.0.0.1", 64, m_nPort);
    if (::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        ::close(m_nListen);
        throw std::runtime_error("script server cannot listen on 127.0.0.1");
    }
    m_acceptor = std::thread([this] { Accept(); });
}

CScriptServer::~CScriptServer()
{
    const char chStop = 's';
    (void)!::write(m_stopPipe[1], &chStop, 1);
    m_acceptor.join();
    for (std::thread& connection : m_connections)
        connection.join();
    ::close(m_nListen);
    ::close(m_stopPipe[0]);
    ::close(m_stopPipe[1]);
}

std::string CScriptServer::GetURL(const std::string& strPath) const
{
    return "http://127.0.0.1:" + std::to_string(m_nPort) + strPath;
}

std::vector<std::string> CScriptServer::GetRequestLines() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requestLines;
}

void CScriptServer::Accept()
{
    while (WaitFor(m_nListen, POLLIN, m_stopPipe[0])) {
        const int nSocket = ::accept4(m_nListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (nSocket < 0)
            continue;
        ++m_nConnections;
        m_connections.emplace_back([this, nSocket] { Serve(nSocket); });
    }
}

void CScriptServer::Serve(int nSocket)
{
    CConnection connection(nSocket, m_stopPipe[0]);
    if (m_eStart == EStart::ON_CONNECT)
        m_script(connection);
    else if (connection.ReadRequest()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requestLines.push_back(connection.m_strRequest.substr(0, connection.m_strRequest.find("\r\n")));
        }
        m_script(connection);
    }
    if (!connection.m_bReset)
        ::shutdown(nSocket, SHUT_WR);
    ::close(nSocket);
}
