// lintrel_delay_proxy DELAY_MS LISTEN_HOST:PORT=SERVER_HOST:PORT ...
//
// Holds every HTTP request DELAY_MS milliseconds before passing it on to its
// server, so a loopback server answers like a distant one. One thread per
// client connection, each with its own keep-alive connection to the server;
// the benchmark's crawls open a few dozen at most. Requests carry no body;
// answers are relayed by their Content-Length, or until the server closes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// Longest request or answer head taken: more is no answer of a static server.
constexpr std::size_t MAX_HEAD = 64 * 1024;

struct SRoute {
    sockaddr_in listen {};
    sockaddr_in server {};
};

bool ParseAddress(const std::string& strText, sockaddr_in& address)
{
    const std::size_t nColon = strText.rfind(':');
    if (nColon == std::string::npos)
        return false;
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(strText.c_str() + nColon + 1)));
    return ::inet_pton(AF_INET, strText.substr(0, nColon).c_str(), &address.sin_addr) == 1;
}

void SetNoDelay(int nSocket)
{
    const int nOn = 1;
    ::setsockopt(nSocket, IPPROTO_TCP, TCP_NODELAY, &nOn, sizeof(nOn));
}

bool SendAll(int nSocket, const std::string& strData)
{
    std::size_t nSent = 0;
    while (nSent < strData.size()) {
        const ssize_t n = ::send(nSocket, strData.data() + nSent, strData.size() - nSent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        nSent += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads into strBuffer until it holds a blank line; the head's length, or 0
// when the peer closed first.
std::size_t ReadHead(int nSocket, std::string& strBuffer)
{
    char szChunk[16384];
    for (;;) {
        const std::size_t nEnd = strBuffer.find("\r\n\r\n");
        if (nEnd != std::string::npos)
            return nEnd + 4;
        if (strBuffer.size() > MAX_HEAD)
            return 0;
        const ssize_t n = ::recv(nSocket, szChunk, sizeof(szChunk), 0);
        if (n <= 0)
            return 0;
        strBuffer.append(szChunk, static_cast<std::size_t>(n));
    }
}

// The body length an answer head announces; -1 when it runs until close.
long BodyLength(const std::string& strHead, bool bHeadRequest)
{
    const int nStatus = std::atoi(strHead.c_str() + strHead.find(' ') + 1);
    if (bHeadRequest || nStatus / 100 == 1 || nStatus == 204 || nStatus == 304)
        return 0;
    for (const char* pszName : {"\r\nContent-Length:", "\r\ncontent-length:"}) {
        const std::size_t nPos = strHead.find(pszName);
        if (nPos != std::string::npos)
            return std::atol(strHead.c_str() + nPos + std::char_traits<char>::length(pszName));
    }
    return -1;
}

int Connect(const sockaddr_in& address)
{
    const int nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (nSocket < 0)
        return -1;
    if (::connect(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(nSocket);
        return -1;
    }
    SetNoDelay(nSocket);
    return nSocket;
}

// Passes one answer from the server to the client; false when either
// connection must end.
bool RelayAnswer(int nServer, int nClient, std::string& strFromServer, bool bHeadRequest)
{
    const std::size_t nHead = ReadHead(nServer, strFromServer);
    if (nHead == 0)
        return false;
    long nBody = BodyLength(strFromServer.substr(0, nHead), bHeadRequest);
    char szChunk[16384];
    while (nBody < 0 || strFromServer.size() < nHead + static_cast<std::size_t>(nBody)) {
        const ssize_t n = ::recv(nServer, szChunk, sizeof(szChunk), 0);
        if (n <= 0) {
            if (nBody >= 0)
                return false;
            nBody = static_cast<long>(strFromServer.size() - nHead);
            break;
        }
        strFromServer.append(szChunk, static_cast<std::size_t>(n));
    }
    const std::size_t nAnswer = nHead + static_cast<std::size_t>(nBody);
    const bool bSent = SendAll(nClient, strFromServer.substr(0, nAnswer));
    strFromServer.erase(0, nAnswer);
    return bSent;
}

void ServeClient(int nClient, sockaddr_in server, std::chrono::microseconds delay)
{
    SetNoDelay(nClient);
    int nServer = -1;
    std::string strFromClient;
    std::string strFromServer;
    for (;;) {
        const std::size_t nHead = ReadHead(nClient, strFromClient);
        if (nHead == 0)
            break;
        const std::string strRequest = strFromClient.substr(0, nHead);
        strFromClient.erase(0, nHead);
        std::this_thread::sleep_for(delay);
        if (nServer < 0)
            nServer = Connect(server);
        if (nServer < 0 || !SendAll(nServer, strRequest))
            break;
        if (!RelayAnswer(nServer, nClient, strFromServer, strRequest.compare(0, 5, "HEAD ") == 0))
            break;
    }
    if (nServer >= 0)
        ::close(nServer);
    ::close(nClient);
}

int Listen(const sockaddr_in& address)
{
    const int nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int nOn = 1;
    ::setsockopt(nSocket, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof(nOn));
    if (nSocket < 0 || ::bind(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0
        || ::listen(nSocket, 128) != 0)
        return -1;
    return nSocket;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DELAY_MS LISTEN_HOST:PORT=SERVER_HOST:PORT ...\n", argv[0]);
        return 2;
    }
    const std::chrono::microseconds delay(static_cast<long>(std::atof(argv[1]) * 1000));
    std::vector<std::thread> listeners;
    for (int nArg = 2; nArg < argc; ++nArg) {
        const std::string strArg = argv[nArg];
        const std::size_t nEquals = strArg.find('=');
        SRoute route;
        int nListen = -1;
        if (nEquals == std::string::npos || !ParseAddress(strArg.substr(0, nEquals), route.listen)
            || !ParseAddress(strArg.substr(nEquals + 1), route.server) || (nListen = Listen(route.listen)) < 0) {
            std::fprintf(stderr, "%s: cannot serve %s\n", argv[0], strArg.c_str());
            return 1;
        }
        listeners.emplace_back([nListen, route, delay] {
            for (;;) {
                const int nClient = ::accept4(nListen, nullptr, nullptr, SOCK_CLOEXEC);
                if (nClient >= 0)
                    std::thread(ServeClient, nClient, route.server, delay).detach();
            }
        });
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (std::thread& listener : listeners)
        listener.join();
}
