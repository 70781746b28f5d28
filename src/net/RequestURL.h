#pragma once

#include <string>

class CLink;

/// Writes the URL a request goes to. The one place it is written: a request
/// sent ahead is matched to the crawl's own by its URL, so the two must
/// agree byte for byte.
class CRequestURL {
public:
    /// strScheme, "://", strHost, then ":" and nPort unless nPort is 0, then
    /// strPath as it is.
    static std::string Build(
        const std::string& strScheme, const std::string& strHost, int nPort, const std::string& strPath);
    /// A request for strObjectName on strServer's nPort (0: the default):
    /// an http URL, with a slash before an object name that has none.
    static std::string ForServer(const std::string& strServer, int nPort, const std::string& strObjectName);
    /// A link's HEAD: ForServer of its host, request port and request path.
    static std::string ForHead(const CLink& link);
    /// A page's GET: its full URL, with the request port after the host when
    /// the page names one.
    static std::string ForPage(const CLink& page);
};
