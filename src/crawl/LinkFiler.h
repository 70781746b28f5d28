#pragma once

#include "crawl/LinkFilter.h"

#include <string>
#include <unordered_set>

class CCrawlMode;
class CLink;
class CLinkArray;
struct SPageAnswer;

/// Files a page's links as the crawl's rules extract them, leaving out
/// those the link filter refuses, so they are never checked, fetched,
/// listed or sent ahead, whichever path reads the page. The start pages
/// always pass.
class CLinkFiler {
public:
    /// For a crawl still to come: the patterns links must pass.
    void SetFilter(CLinkFilter filter) { m_filter = std::move(filter); }
    /// A start page's full URL, which the filter never refuses.
    void AddStartPage(const std::string& strFullURL);
    /// True when the filter holds any pattern.
    bool IsFiltering() const { return !m_filter.IsEmpty(); }
    /// Distinct URLs the filter kept out so far.
    std::size_t GetExcludedCount() const { return m_excluded.size(); }

    /// Files into pLinks the links mode extracts from the page's document.
    void File(CCrawlMode& mode, std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage);

private:
    bool Accepts(const std::string& strFullURL);

    CLinkFilter m_filter;
    std::unordered_set<std::string> m_startPages;
    std::unordered_set<std::string> m_excluded;
};
