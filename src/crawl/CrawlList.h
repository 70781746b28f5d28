#pragma once

#include <string>

class CLinkArray;

/// What the crawler needs of the results list a front end shows.
/// Called on the crawl's own thread, between requests.
class CCrawlList {
public:
    virtual ~CCrawlList() = default;
    /// The start link's host, once per crawl, before any row.
    virtual void SetSiteHost(const std::string& strHost) = 0;
    /// After each page: add rows for the links not shown yet.
    virtual void AddNewLinks(CLinkArray* pLinks) = 0;
    /// The link at this 1-based position of the array has its status now.
    virtual void LinkChecked(int nPos) = 0;
    /// The link at this position waits nSeconds more, as its server asked,
    /// before it is asked again; LinkChecked ends the wait.
    virtual void LinkWaiting(int /*nPos*/, int /*nSeconds*/) {}
    virtual int GetRowCount() const = 0;
};
