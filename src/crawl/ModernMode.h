#pragma once

#include "crawl/CrawlMode.h"
#include "crawl/TransferOptions.h"
#include "crawl/WebLinkChecker.h"
#include "crawl/WebLinkExtractor.h"
#include "crawl/WebSite.h"

/// The crawl as a browser loads a site: http and https, every kind of link
/// from an HTML5 parser, links resolved and normalised as browsers do, the
/// site and each page named by the URL its answer came from.
class CModernMode : public CCrawlMode {
public:
    /// How this mode's requests go out: compressed, over HTTP/2 where a
    /// server offers it, trusting CURL_CA_BUNDLE as the curl tool does,
    /// under a user agent naming strVersion.
    static STransferOptions MakeTransferOptions(const std::string& strVersion);

    std::unique_ptr<CLink> MakeRootLink(const std::string& strStartURL) override;
    void ExtractLinks(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage) override;
    void CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession) override;
    bool IsCheckable(const CLink& link) const override;
    std::string GetHeadURL(const CLink& link) const override;
    std::string GetPageURL(const CLink& page) const override;
    std::string GetPageKey(const CLink& page) const override;
    std::string GetPageKey(const CLink& page, const SPageAnswer& answer) const override;
    bool KeepsZeroBytes() const override { return true; }
    /// For a crawl of local start pages: their relative links are file:
    /// links, checked by looking at the files.
    void SetLocalLinks(bool bLocalLinks) { m_extractor.SetLocalLinks(bLocalLinks); }

private:
    CWebLinkExtractor m_extractor;
    CWebLinkChecker m_checker;
    CWebSite m_site;
    const CLink* m_pRoot = nullptr;
};
