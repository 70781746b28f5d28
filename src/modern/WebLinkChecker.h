#pragma once

#include "modern/CheckPolicy.h"
#include "modern/CheckRules.h"
#include "modern/RetrySchedule.h"
#include "net/TransferEngine.h"

#include <chrono>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class CCrawler;
class CFragmentChecker;
class CHttpFile;
class CInternetSession;
class CLink;
class CLinkArray;
class CPagePolicy;
class CResultStore;
class CWebLink;
class CSiteScopes;

/// Checks the web links a page added: a HEAD request each to the link's
/// normal URL, http or https, redirects followed, a GET when the HEAD is
/// refused, and retries of passing faults and of Retry-After answers as the
/// policy allows; the last answer's status and final URL and the verdict go
/// into the record, and HTML pages of the site are queued with the crawler.
/// Each link is checked at most once. With a result store, a result it finds
/// reusable stands in for the requests, and every check's result is kept there.
class CWebLinkChecker {
public:
    explicit CWebLinkChecker(const SCheckPolicy& policy = SCheckPolicy(), CRetrySchedule schedule = CRetrySchedule());

    /// The store results come from and go to; not owned; null: none.
    void SetResultStore(CResultStore* pStore) { m_pStore = pStore; }
    /// The fragment checks fragment rows are judged by; not owned; null:
    /// fragment rows are left unchecked.
    void SetFragmentChecker(CFragmentChecker* pFragments) { m_pFragments = pFragments; }

    /// Checks the links after the last one handled, in order, until the
    /// array's end or Stop; links left by Stop stay unchecked for good. The
    /// pages within the scope of the start page they were reached from are
    /// queued where pPolicy (if any) allows.
    void CheckNewLinks(
        CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession, CSiteScopes& scopes, CPagePolicy* pPolicy);

    /// True for the media types read as pages, from a Content-Type value:
    /// HTML, and stylesheets, whose links are read too.
    /// For a crawl still to come: a web link wanted refuses is left
    /// unchecked, without a request, until Want names it; null: all are.
    void SetWanted(std::function<bool(const CLink&)> wanted) { m_wanted = std::move(wanted); }
    /// A link left unchecked is wanted after all: the next pass checks it.
    void Want(const std::string& strFullURL);

    /// True for the media types read as pages, from a Content-Type value.
    static bool IsPageType(const std::string& strContentType);
    /// True for the media types of HTML documents, whose fragments name elements.
    static bool IsHtmlType(const std::string& strContentType);

private:
    using TimePoint = std::chrono::steady_clock::time_point;

    /// Checks the link at nPos and queues it when it is a page; true after Stop.
    bool CheckAt(int nPos, CLinkArray& links, CCrawler* pCrawler, CInternetSession* pSession, CSiteScopes& scopes,
        CPagePolicy* pPolicy);
    /// Asks until a verdict stands and stores the last outcome; true when
    /// the last answer named a page type.
    bool Check(CWebLink& link, int nPos, CCrawler* pCrawler, CInternetSession* pSession);
    /// One request; its outcome goes into the record.
    static SCheckAnswer Ask(CWebLink& link, CTransferEngine::ERequest eRequest, CInternetSession* pSession,
        bool& bIsPage, std::string& strWhere);
    static void ReadAnswer(CHttpFile& file, CWebLink& link, bool& bIsPage);
    static void ReadRedirects(const CHttpFile& file, CWebLink& link);
    /// Waits as the server asked, its host paused; false after Stop.
    static bool WaitAsked(
        const std::string& strWhere, const SCheckAnswer& answer, int nPos, CCrawler* pCrawler, CTransferEngine& engine);
    /// Waits until then in steps of at most a second; false after Stop.
    static bool WaitFor(TimePoint until, CCrawler* pCrawler, CTransferEngine& engine);
    /// True for a page to queue; one outside its scopes is noted there.
    static bool IsPage(CWebLink& link, bool bAnsweredPage, bool bExploreCgi, CSiteScopes& scopes);
    /// True when a stored result filled the record in, bAnsweredPage with it.
    bool Reuse(CWebLink& link, bool& bAnsweredPage) const;
    void Remember(const CWebLink& link, bool bAnsweredPage) const;
    /// Tells the fragment checks what link's check found; bWillRead when
    /// the crawl is going to read its page.
    void NoteForFragments(const CWebLink& link, bool bAnsweredPage, bool bWillRead) const;
    /// Reports the fragment rows judged since the last pass; true after Stop.
    bool ReportJudgedFragments(CLinkArray& links, CCrawler* pCrawler) const;

    SCheckPolicy m_policy;
    CRetrySchedule m_schedule;
    int m_nChecked = 0;
    CResultStore* m_pStore = nullptr;
    CFragmentChecker* m_pFragments = nullptr;
    std::function<bool(const CLink&)> m_wanted;
    // The positions of links left unchecked, by full URL, and of those
    // wanted since, for the next pass.
    std::unordered_map<std::string, int> m_deferred;
    std::vector<int> m_due;
};
