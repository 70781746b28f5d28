#pragma once

#include "ui/WindowSettings.h"

#include <memory>
#include <string>

class CCrawler;
class CResultCache;

/// One modern crawl's rules from the window's settings: the mode with its
/// policy, the requests, the link filter and the result cache, which it
/// owns for the crawl's length.
class CModernCrawlSetup {
public:
    explicit CModernCrawlSetup(CWindowSettings settings);
    ~CModernCrawlSetup();

    /// Sets the rules into crawler (before its Init); bFolder says the start
    /// pages are a folder's. False, with strError saying what to change, when
    /// a pattern is bad or the cache file is refused.
    bool Apply(CCrawler& crawler, bool bFolder, std::string& strError);
    /// Between requests: lets the cache write what waits.
    void Tick();
    /// After the crawl: writes the cache out; what went wrong with it, or
    /// empty.
    std::string Close();
    bool IsCacheUsed() const { return m_pCache != nullptr; }

private:
    bool OpenCache(std::string& strError);

    CWindowSettings m_settings;
    std::unique_ptr<CResultCache> m_pCache;
};
