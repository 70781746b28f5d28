#pragma once

#include "crawl/CrawlResult.h"
#include "crawl/PageAnswer.h"

#include <memory>
#include <string>
#include <vector>

class CCrawler;
class CInternetSession;
class CLink;
class CLinkArray;

/// The rules a crawl follows, chosen once per crawl: how the start URL and
/// a page's links become records, what a link's request goes to, and how
/// the new links are checked and pages queued. Two sets exist side by side:
/// the exact word scanner with its own URL rules and one HEAD per plain http
/// link, and the modern one that reads pages and resolves links as a
/// browser does.
class CCrawlMode {
public:
    virtual ~CCrawlMode() = default;

    /// The start URL's record, without referrer.
    virtual std::unique_ptr<CLink> MakeRootLink(const std::string& strStartURL) = 0;
    /// Files the page's new links into pLinks: its document as read, what
    /// its answer said, and its record. Keeps nothing from one page to the
    /// next, so pages read ahead may be extracted in between.
    virtual void ExtractLinks(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage) = 0;
    /// Checks the links filed since the last pass, queueing pages with the
    /// crawler; a pass ends early at Stop.
    virtual void CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession) = 0;
    /// True for the records whose check sends a request.
    virtual bool IsCheckable(const CLink& link) const = 0;
    /// The URL a link's check goes to.
    virtual std::string GetHeadURL(const CLink& link) const = 0;
    /// The URL a page's fetch opens.
    virtual std::string GetPageURL(const CLink& page) const = 0;
    /// The header lines a page's fetch adds ("Name: value"); the same for
    /// the same page throughout a crawl.
    virtual std::vector<std::string> GetPageHeaders(const CLink& /*page*/) const { return {}; }
    /// The text under which a page counts as fetched once, before its fetch.
    virtual std::string GetPageKey(const CLink& page) const = 0;
    /// The same, once its answer told where it came from.
    virtual std::string GetPageKey(const CLink& page, const SPageAnswer& answer) const = 0;
    /// True when a page's zero bytes are kept as data; false when each read
    /// chunk ends at its first zero byte.
    virtual bool KeepsZeroBytes() const = 0;
    /// Adds what only these rules know to the crawl's result.
    virtual void AddToResult(SCrawlResult& result) const = 0;
    /// Once the crawl is over: takes out of pLinks' records the links these
    /// rules found but do not list; by default every link is listed.
    virtual void FinishLinks(CLinkArray* /*pLinks*/) {}
};
