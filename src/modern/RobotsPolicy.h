#pragma once

#include "crawl/PagePolicy.h"
#include "modern/RobotsRules.h"

#include <cstddef>
#include <string>

class CHttpFile;
class CInternetSession;

/// robots.txt of the origin (scheme, host and port) a crawl's start page
/// came from: read once, when the first page after the start page is about
/// to be fetched, then obeyed for that origin. A 4xx, or more than
/// MAX_REDIRECTS redirects (no more are followed), allows every page; a 5xx
/// or a file that cannot be reached allows none. Counts the pages it refuses.
class CRobotsPolicy : public CPagePolicy {
public:
    static constexpr std::size_t MAX_REDIRECTS = 5;
    /// The product token whose group applies, whatever the user agent says.
    static constexpr const char* PRODUCT = "lintrel";

    /// The start page's final URL in normal form; its origin's file governs.
    void SetOrigin(const std::string& strNormalURL);
    /// True when the page at strNormalURL may be fetched; reads the file
    /// through pSession the first time it is asked about a page of the origin.
    bool Allows(const std::string& strNormalURL, CInternetSession* pSession);
    /// Allows for the page's URL.
    bool MayFetch(const CLink& page, CInternetSession* pSession) override;
    /// Pages Allows refused.
    std::size_t GetRefusedCount() const { return m_nRefused; }
    /// Why no page is allowed: the file could not be read; empty otherwise.
    const std::string& GetFailure() const { return m_strFailure; }

private:
    void Load(CInternetSession* pSession);
    void ReadAnswer(CHttpFile& file, const std::string& strURL);
    void Fail(std::string strFailure);

    std::string m_strOrigin;
    bool m_bLoaded = false;
    CRobotsRules m_rules;
    std::size_t m_nRefused = 0;
    std::string m_strFailure;
};
