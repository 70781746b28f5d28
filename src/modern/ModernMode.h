#pragma once

#include "crawl/CrawlMode.h"
#include "modern/ChangeFilter.h"
#include "modern/FragmentChecker.h"
#include "modern/PathMap.h"
#include "modern/RobotsPolicies.h"
#include "modern/SiteScopes.h"
#include "modern/WebLinkChecker.h"
#include "modern/WebLinkExtractor.h"
#include "net/TransferOptions.h"

#include <map>
#include <string>

class CResultStore;

/// The crawl as a browser loads a site: http and https, every kind of link
/// from an HTML5 parser, links resolved and normalised as browsers do, the
/// site and each page named by the URL its answer came from. With a result
/// store, good results stored lately stand in for requests, and a stored
/// page is asked for only if changed and its stored links reused if not.
class CModernMode : public CCrawlMode {
public:
    /// Checks links as policy says: retries and the longest wait a server may ask for.
    explicit CModernMode(const SCheckPolicy& policy = SCheckPolicy());
    /// For a crawl still to come: the store results come from and go to;
    /// not owned, it must outlive the crawl; null: none.
    void SetResultStore(CResultStore* pStore);

    /// How this mode's requests go out: compressed, over HTTP/2 where a
    /// server offers it, trusting CURL_CA_BUNDLE as the curl tool does,
    /// under a user agent naming strVersion, each host held to a limit that
    /// tunes itself to the 429 and 503 answers it gives.
    static STransferOptions MakeTransferOptions(const std::string& strVersion);

    std::unique_ptr<CLink> MakeRootLink(const std::string& strStartURL) override;
    void ExtractLinks(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage) override;
    void CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession) override;
    bool IsCheckable(const CLink& link) const override;
    std::string GetHeadURL(const CLink& link) const override;
    std::string GetPageURL(const CLink& page) const override;
    std::vector<std::string> GetPageHeaders(const CLink& page) const override;
    std::string GetPageKey(const CLink& page) const override;
    std::string GetPageKey(const CLink& page, const SPageAnswer& answer) const override;
    bool KeepsZeroBytes() const override { return true; }
    void AddToResult(SCrawlResult& result) const override;
    void FinishLinks(CLinkArray* pLinks) override;

    /// For a crawl still to come: whether the site's robots.txt is read and
    /// obeyed (it is unless set).
    void SetObeyRobots(bool bObey) { m_bObeyRobots = bObey; }
    /// For a crawl of local start pages: their relative links are file:
    /// links, checked by looking at the files.
    void SetLocalLinks(bool bLocalLinks) { m_extractor.SetLocalLinks(bLocalLinks); }
    /// For a crawl still to come: whether each link's #fragment is checked
    /// in its page, in a row of its own (it is unless set).
    void SetFragmentChecks(bool bCheck);
    /// For a crawl still to come: a start page that cannot be read (its
    /// fetch failed or answered 400 or more) is a row of its own, under the
    /// record named in referrers for its start URL as given (a sitemap), else
    /// under none; its links are not read.
    void ListFailedStartPages(std::map<std::string, std::string> referrers);
    /// For a crawl still to come: links and start pages under a prefix of
    /// map are checked and read from the files it maps them to, and no
    /// request goes to the prefix; a mapped site's robots.txt is not read.
    void SetPathMap(CPathMap map);
    /// For a crawl still to come: only the links changes lists are checked
    /// and listed (web links named elsewhere get no request); every page is
    /// still read.
    void SetChangeFilter(CChangeFilter changes);

private:
    /// Files the stored links of a page that answered "not modified"; false
    /// when there are none to file.
    bool ReplayStoredPage(const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage);
    void StorePage(const CLink& page, const SPageAnswer& answer, std::vector<SStoredPage::SLink> filed,
        const SFragmentTargets& targets);
    /// What a page's fragments may point at, noted for the fragment checks.
    void NoteTargets(const CLink& page, const SPageAnswer& answer, SFragmentTargets targets, std::size_t nSize);
    /// Names the site of a start page; true when it failed and was listed.
    bool ReadStartPage(const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage);
    /// Notes the links a changed page named.
    void NoteNamed(const std::vector<SStoredPage::SLink>& filed);

    /// The URL a record of strNormalURL opens: its mapped file's, else empty.
    std::string GetMappedOpenURL(const std::string& strNormalURL) const;

    CPathMap m_map;
    CChangeFilter m_changes;
    CWebLinkExtractor m_extractor;
    CWebLinkChecker m_checker;
    CFragmentChecker m_fragments;
    bool m_bFragments = true;
    CSiteScopes m_scopes;
    CRobotsPolicies m_robots;
    bool m_bObeyRobots = true;
    bool m_bListFailedStarts = false;
    // The referrer of each start page's row, by the start page's record.
    std::map<std::string, std::string> m_startReferrers;
    std::map<const CLink*, std::string> m_referrerOf;
    bool m_bSiteMapped = false;
    CResultStore* m_pStore = nullptr;
};
