#include "support/RawServer.h"

#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

CRawServer::CRawServer(Responder responder, const std::string& strHost, int nBacklog)
    : m_responder(std::move(responder))
    , m_strHost(strHost)
{
    m_nListen = BindLoopback(strHost, nBacklog, m_nPort);
    if (::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        ::close(m_nListen);
        throw std::runtime_error("raw server cannot listen on " + strHost);
    }
    m_thread = std::thread([this] { Serve(); });
}

CRawServer::~CRawServer()
{
    const char chStop = 's';
    (void)!::write(m_stopPipe[1], &chStop, 1);
    m_thread.join();
    ::close(m_nListen);
    ::close(m_stopPipe[0]);
    ::close(m_stopPipe[1]);
}

std::string CRawServer::GetURL(const std::string& strPath) const
{
    return "http://" + m_strHost + ":" + std::to_string(m_nPort) + strPath;
}

// False once the server is told to stop.
bool CRawServer::WaitReadable(int nSocket) const
{
    pollfd fds[2] = {{nSocket, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0) {}
    return (fds[1].revents & POLLIN) == 0;
}

void CRawServer::Serve()
{
    while (WaitReadable(m_nListen)) {
        const int nSocket = ::accept4(m_nListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (nSocket < 0)
            continue;
        ++m_nConnections;
        ServeConnection(nSocket);
        ::close(nSocket);
    }
}

void CRawServer::ServeConnection(int nSocket)
{
    std::string strRequest;
    char szBuffer[4096];
    while (strRequest.find("\r\n\r\n") == std::string::npos) {
        if (!WaitReadable(nSocket))
            return;
        const ssize_t nRead = ::read(nSocket, szBuffer, sizeof(szBuffer));
        if (nRead <= 0)
            return;
        strRequest.append(szBuffer, static_cast<std::size_t>(nRead));
    }
    const std::string strAnswer = m_responder(strRequest);
    if (strAnswer.empty()) {
        // Silent until the client hangs up or the server stops.
        while (WaitReadable(nSocket) && ::read(nSocket, szBuffer, sizeof(szBuffer)) > 0) {}
        return;
    }
    std::size_t nSent = 0;
    while (nSent < strAnswer.size()) {
        const ssize_t nWritten = ::send(nSocket, strAnswer.data() + nSent, strAnswer.size() - nSent, MSG_NOSIGNAL);
        if (nWritten <= 0)
            return;
        nSent += static_cast<std::size_t>(nWritten);
    }
    ::shutdown(nSocket, SHUT_WR);
}
