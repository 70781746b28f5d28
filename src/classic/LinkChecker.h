#pragma once

#include <string>

class CCrawler;
class CHttpFile;
class CInternetSession;
class CLink;
class CLinkArray;

/// Checks the links a page added to the crawl's link array: one HEAD
/// request each, the outcome stored in the record, qualifying HTML pages
/// of the site queued with the crawler. Each link is checked at most once.
class CLinkChecker {
public:
    /// Checks the links after the last one handled, in order, until the
    /// array's end or Stop; links left by Stop stay unchecked for good.
    void CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession);
    /// One HEAD request for pLink; a failure becomes status 300 with its
    /// message. False when the request failed.
    bool SendHeadRequest(CInternetSession* pSession, CLink* pLink);
    /// Stores the response's status in pLink and notes whether it announced
    /// HTML. Always true.
    bool ReadResponseStatus(CHttpFile* pFile, CLink* pLink);
    /// Queues pLink as a page when it qualifies, then reports it checked.
    /// Returns the crawler's stop flag.
    bool HandleCheckedLink(CLink* pLink, int nPos, CCrawler* pCrawler);

private:
    bool m_bIsHtml = false;
    int m_nChecked = 0;
    std::string m_strError;
};
