#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

int BindLoopback(const std::string& strHost, int nBacklog, int& nPort)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    if (::inet_pton(AF_INET, strHost.c_str(), &address.sin_addr) != 1)
        throw std::runtime_error("test server: not an IPv4 address: " + strHost);
    const int nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    socklen_t nLength = sizeof(address);
    if (nSocket < 0 || ::bind(nSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0
        || (nBacklog > 0 && ::listen(nSocket, nBacklog) != 0)
        || ::getsockname(nSocket, reinterpret_cast<sockaddr*>(&address), &nLength) != 0) {
        if (nSocket >= 0)
            ::close(nSocket);
        throw std::runtime_error("test server cannot listen on " + strHost);
    }
    nPort = ntohs(address.sin_port);
    return nSocket;
}
