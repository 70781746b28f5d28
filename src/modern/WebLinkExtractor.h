#pragma once

#include "crawl/PageAnswer.h"
#include "crawl/StoredPage.h"
#include "html/FragmentTargets.h"
#include "link/LinkOccurrence.h"
#include "net/WebUrl.h"

#include <string>

class CLink;
class CLinkArray;
class CPathMap;

/// Turns one fetched page into web link records as a browser reads it: the
/// document decoded by its charset, parsed as HTML5, every link-bearing
/// attribute resolved against the page's base; a stylesheet (text/css) is
/// read as CSS, its url() and @import links resolved against its URL. A URL
/// already filed gains one more occurrence instead of a record. Keeps
/// nothing between pages.
class CWebLinkExtractor {
public:
    /// The status text of a link whose normal form is too long to request.
    static constexpr const char* URL_TOO_LONG = "URL too long";

    /// Files the page's links into pLinks. The page is named by the URL
    /// its answer came from; when that differs from pPage's own, pLinks
    /// keeps a record of it as the referrer of the page's links.
    /// Each link filed is also appended to pFiled when given, and what the
    /// page's fragments may point at goes into pTargets when given.
    void Extract(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage,
        std::vector<SStoredPage::SLink>* pFiled = nullptr, SFragmentTargets* pTargets = nullptr);
    /// Files links that Extract filed before, in their order: the same
    /// records and occurrences as extracting the same page again.
    void Replay(
        const std::vector<SStoredPage::SLink>& filed, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage);
    /// With true, a local file's relative links resolve to file: URLs and
    /// are filed; otherwise only its absolute web links count.
    void SetLocalLinks(bool bLocalLinks) { m_bLocalLinks = bLocalLinks; }
    /// With true, a link with a #fragment also files the row of the URL and
    /// its fragment, right after the URL's own (a link to a part of the
    /// same page files that row alone).
    void SetFragmentRows(bool bFragmentRows) { m_bFragmentRows = bFragmentRows; }
    /// Links under a prefix of pMap open the file it maps them to, keeping
    /// their own URL; not owned; null: none.
    void SetPathMap(const CPathMap* pMap) { m_pMap = pMap; }

private:
    static bool IsFiled(const CWebUrl& url) { return url.IsWebLink() || url.IsFileLink(); }

    /// The rows one reference files, in order: none, its URL's, its
    /// fragment's, or both.
    std::vector<SStoredPage::SLink> RowsFor(
        std::string_view strValue, const CWebUrl& link, int nLine, int nColumn) const;
    /// True for a Content-Type of a stylesheet, whose links are read as CSS.
    static bool IsStylesheet(const std::string& strContentType);
    void ExtractStylesheet(const std::string& strText, const CWebUrl& sheet, CLinkArray* pLinks, CLink* pNamed,
        std::vector<SStoredPage::SLink>* pFiled) const;
    static CLink* NamePage(const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage);
    /// Files strURL as found at occurrence on pPage: a new record, or one
    /// more place of the record filed already.
    void File(const std::string& strURL, CLinkArray* pLinks, CLink* pPage, const SLinkOccurrence& occurrence,
        bool bTooLong) const;

    bool m_bLocalLinks = false;
    bool m_bFragmentRows = false;
    const CPathMap* m_pMap = nullptr;
};
