#pragma once

#include "modern/WebSite.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class CLink;

/// The scope of every page of a crawl with several start pages: each start
/// page has its own site (host, port and directory of its final URL), and
/// a page found on a page lies in the scope of the start page that page was
/// reached from. Holds pointers to records it does not own.
class CSiteScopes {
public:
    /// A start page, whose site is still to come.
    void AddStartPage(const CLink* pStart);
    bool IsStartPage(const CLink* pPage) const;
    /// How many start pages were added.
    std::size_t GetStartCount() const { return m_sites.size(); }
    /// Names the site of a start page from its final URL (normal form), once.
    void SetSite(const CLink* pStart, const std::string& strNormalURL);
    /// pPage was fetched and its links are filed under the record of
    /// strNamedURL (its own URL, or its final one): both lie in its scope.
    void NoteNamed(const CLink* pPage, const std::string& strNamedURL);
    /// True when strNormalURL (link's URL, or where its answer came from)
    /// lies on the site of a start page from which a page that named link
    /// was reached.
    bool IsWithin(const CLink& link, const std::string& strNormalURL) const;
    /// link answered as a page outside every scope it was reached from so
    /// far: a page of another scope may name it later.
    void NoteOutside(CLink* pLink, std::string strNormalURL);
    /// The links noted outside that a page named since lies in scope of;
    /// they are noted no more.
    std::vector<CLink*> TakeReached();
    /// The site of the first start page; empty before it is named.
    const CWebSite& GetFirstSite() const;

private:
    /// The scope of a page: its own, else that of the page that named it.
    const std::size_t* FindScope(const CLink* pPage) const;

    bool IsWithinFrom(const CLink* pPage, const std::string& strNormalURL) const;

    struct SOutside {
        CLink* pLink;
        std::string strNormalURL;
        // Occurrences looked at already.
        std::size_t nSeen;
    };

    std::vector<CWebSite> m_sites;
    std::vector<SOutside> m_outside;
    // By the URL the page's links name as their referrer: records of a
    // page read ahead and of the page itself share it.
    std::unordered_map<std::string, std::size_t> m_scopeOf;
    std::unordered_map<const CLink*, std::size_t> m_startIndex;
    CWebSite m_none;
};
