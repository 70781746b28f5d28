#pragma once

#include <string>

/// A TCP socket bound to a free port of the IPv4 loopback address strHost,
/// listening with nBacklog when nBacklog > 0 (0: bound only, so nothing
/// answers on the port). Sets nPort; the caller closes the socket. Throws
/// std::runtime_error when it cannot.
int BindLoopback(const std::string& strHost, int nBacklog, int& nPort);
