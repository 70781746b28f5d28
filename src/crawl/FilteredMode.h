#pragma once

#include "crawl/CrawlMode.h"
#include "crawl/LinkFilter.h"

#include <memory>
#include <unordered_set>

/// Another mode's rules with the links its filter refuses left unfiled: so
/// they are never checked, fetched, listed or sent ahead, whichever path
/// extracts a page. Owns the mode it wraps; the start URL always passes.
class CFilteredMode : public CCrawlMode {
public:
    CFilteredMode(std::unique_ptr<CCrawlMode> pMode, CLinkFilter filter);

    /// Distinct URLs the filter kept out so far.
    std::size_t GetExcludedCount() const { return m_excluded.size(); }

    std::unique_ptr<CLink> MakeRootLink(const std::string& strStartURL) override;
    void ExtractLinks(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage) override;
    void CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession) override;
    bool IsCheckable(const CLink& link) const override;
    std::string GetHeadURL(const CLink& link) const override;
    std::string GetPageURL(const CLink& page) const override;
    std::vector<std::string> GetPageHeaders(const CLink& page) const override;
    std::string GetPageKey(const CLink& page) const override;
    std::string GetPageKey(const CLink& page, const SPageAnswer& answer) const override;
    bool KeepsZeroBytes() const override;
    std::size_t CountUncheckedSecureLinks() const override;
    bool MayFetchPage(const CLink& page, CInternetSession* pSession) override;
    std::size_t CountRobotsSkipped() const override;
    std::string GetRobotsFailure() const override;

private:
    bool Accepts(const std::string& strFullURL);

    std::unique_ptr<CCrawlMode> m_pMode;
    CLinkFilter m_filter;
    std::string m_strRootURL;
    std::unordered_set<std::string> m_excluded;
};
