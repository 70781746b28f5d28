#pragma once

#include <httplib.h>

#include <string>
#include <thread>

/// A large site made up as it is asked for, on a free port of 127.0.0.1:
/// /site/index.html links nPages pages, each page links nLeaves plain files
/// of its own, which a crawl checks but does not follow. The server notes
/// nothing per request, so a long crawl's memory is the crawl's own.
class CGeneratedSite {
public:
    CGeneratedSite(int nPages, int nLeaves);
    CGeneratedSite(const CGeneratedSite&) = delete;
    CGeneratedSite& operator=(const CGeneratedSite&) = delete;
    /// Stops serving and joins the thread.
    ~CGeneratedSite();

    /// "http://127.0.0.1:port/site/index.html".
    std::string GetStartURL() const;
    /// Every link a recursive crawl from the start finds: pages and files.
    int GetLinkCount() const { return m_nPages * (m_nLeaves + 1); }

private:
    void Route();

    int m_nPages;
    int m_nLeaves;
    httplib::Server m_server;
    std::thread m_thread;
    int m_nPort = 0;
};
