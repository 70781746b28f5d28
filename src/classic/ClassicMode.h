#pragma once

#include "classic/LinkChecker.h"
#include "crawl/CrawlMode.h"
#include "html/LinkExtractor.h"

/// The default rules: the word scanner, its own URL rules, one HEAD request
/// per plain http link.
class CClassicMode : public CCrawlMode {
public:
    std::unique_ptr<CLink> MakeRootLink(const std::string& strStartURL) override;
    void ExtractLinks(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage) override;
    void CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession) override;
    bool IsCheckable(const CLink& link) const override;
    std::string GetHeadURL(const CLink& link) const override;
    std::string GetPageURL(const CLink& page) const override;
    std::string GetPageKey(const CLink& page) const override;
    std::string GetPageKey(const CLink& page, const SPageAnswer& answer) const override;
    bool KeepsZeroBytes() const override { return false; }
    void AddToResult(SCrawlResult& result) const override;

private:
    CLinkExtractor m_extractor;
    CLinkChecker m_checker;
};
