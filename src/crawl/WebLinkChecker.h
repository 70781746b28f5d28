#pragma once

#include <string>

class CCrawler;
class CHttpFile;
class CInternetSession;
class CLinkArray;
class CResultStore;
class CWebLink;
class CWebSite;

/// Checks the web links a page added: one HEAD request each to the link's
/// normal URL, http or https, redirects followed; the answer's status and
/// final URL go into the record, and HTML pages of the site are queued with
/// the crawler. Each link is checked at most once. With a result store, a
/// result it finds reusable stands in for the request, and every request's
/// result is kept there.
class CWebLinkChecker {
public:
    /// The store results come from and go to; not owned; null: none.
    void SetResultStore(CResultStore* pStore) { m_pStore = pStore; }

    /// Checks the links after the last one handled, in order, until the
    /// array's end or Stop; links left by Stop stay unchecked for good.
    void CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession, const CWebSite& site);

    /// True for the media types read as pages, from a Content-Type value.
    static bool IsPageType(const std::string& strContentType);

private:
    /// Sends the HEAD and stores its outcome; true when the answer named a page type.
    static bool Check(CWebLink& link, CInternetSession* pSession);
    static void ReadAnswer(CHttpFile& file, CWebLink& link, bool& bIsPage);
    static bool IsPage(const CWebLink& link, bool bAnsweredPage, bool bExploreCgi, const CWebSite& site);
    /// True when a stored result filled the record in, bAnsweredPage with it.
    bool Reuse(CWebLink& link, bool& bAnsweredPage) const;
    void Remember(const CWebLink& link, bool bAnsweredPage) const;

    int m_nChecked = 0;
    CResultStore* m_pStore = nullptr;
};
