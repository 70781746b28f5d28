#pragma once

#include <string>

/// The site a modern crawl stays on: the host, port and directory of the
/// start page's final URL. http and https count as one site; the port must
/// match once the default ports are dropped.
class CWebSite {
public:
    /// Takes the start page's final URL in normal form; a text that is no
    /// web URL leaves the site empty, and nothing lies within it.
    void SetStart(const std::string& strNormalURL);
    /// True when the URL (in normal form) lies on the site, at or below its
    /// directory.
    bool IsWithin(const std::string& strNormalURL) const;
    bool IsSet() const { return m_bSet; }

private:
    bool m_bSet = false;
    std::string m_strHost;
    int m_nPort = 0;
    std::string m_strDirectory;
};
