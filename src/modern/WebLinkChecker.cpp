#include "modern/WebLinkChecker.h"

#include "crawl/Crawler.h"
#include "crawl/ResultStore.h"
#include "link/LinkArray.h"
#include "link/WebLink.h"
#include "modern/FileLinkChecker.h"
#include "modern/FragmentChecker.h"
#include "modern/SiteScopes.h"
#include "net/HttpFile.h"
#include "net/InternetException.h"
#include "net/InternetSession.h"
#include "net/TrimSpace.h"
#include "net/WebUrl.h"

#include "net/RetryAfter.h"
#include "net/Transfer.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace {

std::string ToLower(std::string str)
{
    std::transform(
        str.begin(), str.end(), str.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return str;
}

// The path and query a script-like address shows itself in.
bool LooksLikeScript(const std::string& strNormalURL)
{
    const CWebUrl url = CWebUrl::Parse(strNormalURL);
    if (!url.IsWebLink())
        return false;
    const std::string strRequest = url.GetPath() + (url.GetQuery().empty() ? "" : "?" + url.GetQuery());
    return strRequest.find("cgi") != std::string::npos || strRequest.find('?') != std::string::npos
        || strRequest.find('$') != std::string::npos;
}

// Cloudflare's mark on an answer that is its challenge, not the page.
bool IsChallenge(const std::string& strMitigated)
{
    return ToLower(std::string(TrimSpace(strMitigated))) == "challenge";
}

} // namespace

CWebLinkChecker::CWebLinkChecker(const SCheckPolicy& policy, CRetrySchedule schedule)
    : m_policy(policy)
    , m_schedule(std::move(schedule))
{
}

void CWebLinkChecker::CheckNewLinks(
    CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession, CSiteScopes& scopes, CPagePolicy* pPolicy)
{
    if (!pLinks || ReportJudgedFragments(*pLinks, pCrawler))
        return;
    std::vector<int> due;
    due.swap(m_due);
    std::sort(due.begin(), due.end());
    bool bStopped = false;
    for (std::size_t i = 0; i < due.size() && !bStopped; ++i)
        bStopped = CheckAt(due[i], *pLinks, pCrawler, pSession, scopes, pPolicy);
    for (int nPos = m_nChecked + 1; nPos <= pLinks->GetSize() && !bStopped; ++nPos) {
        const CLink& link = *pLinks->GetAt(nPos);
        if (m_wanted && !link.IsChecked() && !CFileLinkChecker::IsLocal(link) && !m_wanted(link))
            m_deferred.emplace(link.GetFullURL(), nPos);
        else
            bStopped = CheckAt(nPos, *pLinks, pCrawler, pSession, scopes, pPolicy);
    }
    m_nChecked = pLinks->GetSize();
}

void CWebLinkChecker::Want(const std::string& strFullURL)
{
    const auto it = m_deferred.find(strFullURL);
    if (it == m_deferred.end())
        return;
    m_due.push_back(it->second);
    m_deferred.erase(it);
}

bool CWebLinkChecker::CheckAt(int nPos, CLinkArray& links, CCrawler* pCrawler, CInternetSession* pSession,
    CSiteScopes& scopes, CPagePolicy* pPolicy)
{
    auto* pLink = static_cast<CWebLink*>(links.GetAt(nPos));
    // Judged now, or reported once the crawl has read its document.
    if (pLink->IsFragmentRow())
        return m_pFragments && m_pFragments->Judge(*pLink, nPos, links, pSession) && pCrawler->ReportChecked(nPos);
    bool bAnsweredPage = false;
    // A local file is looked at, never requested; a mapped page of the
    // site is read from its file.
    if (pLink->GetStatusCode() == -1 && CFileLinkChecker::CheckIfLocal(*pLink)) {
        bAnsweredPage = CFileLinkChecker::IsPageFile(*pLink);
    } else if (pLink->GetStatusCode() != -1) {
        // A link listed as failed when it was found needs no request.
        pLink->SetVerdict(EVerdict::BROKEN);
    } else if (!Reuse(*pLink, bAnsweredPage)) {
        bAnsweredPage = Check(*pLink, nPos, pCrawler, pSession);
        Remember(*pLink, bAnsweredPage);
    }
    const bool bQueued
        = IsPage(*pLink, bAnsweredPage, pCrawler->m_bExploreCgi, scopes) && pCrawler->EnqueuePage(pLink, pPolicy);
    NoteForFragments(*pLink, bAnsweredPage, bQueued && pCrawler->IsRecursive());
    return pCrawler->ReportChecked(nPos);
}

bool CWebLinkChecker::Check(CWebLink& link, int nPos, CCrawler* pCrawler, CInternetSession* pSession)
{
    CTransferEngine::ERequest eRequest = CTransferEngine::ERequest::HEAD;
    bool bIsPage = false;
    for (int nRetries = 0;;) {
        std::string strWhere;
        const SCheckAnswer answer = Ask(link, eRequest, pSession, bIsPage, strWhere);
        const SCheckDecision decision = CCheckRules::Decide(
            answer, static_cast<std::uint64_t>(std::max(0, m_policy.nMaxRetryWait)), m_policy.accepted);
        if (decision.eStep == ECheckStep::ASK_WITH_GET) {
            eRequest = CTransferEngine::ERequest::GET_HEADERS;
            continue;
        }
        link.SetVerdict(decision.eVerdict);
        if (decision.eStep == ECheckStep::DONE || nRetries >= m_policy.nRetries || pCrawler->m_bStop)
            return bIsPage;
        ++nRetries;
        CTransferEngine& engine = *pSession->GetTransferEngine();
        const bool bGoOn = decision.eStep == ECheckStep::RETRY_AFTER
            ? WaitAsked(strWhere, answer, nPos, pCrawler, engine)
            : WaitFor(std::chrono::steady_clock::now() + m_schedule.GetWait(nRetries), pCrawler, engine);
        if (!bGoOn)
            return bIsPage;
    }
}

SCheckAnswer CWebLinkChecker::Ask(CWebLink& link, CTransferEngine::ERequest eRequest, CInternetSession* pSession,
    bool& bIsPage, std::string& strWhere)
{
    SCheckAnswer answer;
    answer.bGet = eRequest == CTransferEngine::ERequest::GET_HEADERS;
    bIsPage = false;
    strWhere = link.GetFullURL();
    if (!pSession) {
        link.SetError("No internet session");
        answer.eError = ETransferError::OTHER;
        return answer;
    }
    CHttpFile file(pSession->GetTransferEngine(), link.GetFullURL(), eRequest);
    try {
        file.SendRequest();
        ReadAnswer(file, link, bIsPage);
        file.QueryInfoStatusCode(answer.nStatusCode);
        answer.retryAfter = CRetryAfter::Parse(file.GetHeader("Retry-After"), std::time(nullptr));
        answer.answerTime = file.GetAnswerTime();
        answer.bChallenge = IsChallenge(file.GetHeader("cf-mitigated"));
        if (!file.GetFinalURL().empty())
            strWhere = file.GetFinalURL();
    } catch (const CInternetException& e) {
        link.SetError(e.GetErrorMessage().c_str());
        answer.eError = e.GetErrorKind();
    }
    ReadRedirects(file, link);
    return answer;
}

void CWebLinkChecker::ReadAnswer(CHttpFile& file, CWebLink& link, bool& bIsPage)
{
    int nStatusCode = 0;
    if (!file.QueryInfoStatusCode(nStatusCode)) {
        link.SetError(CHttpFile::NO_STATUS_CODE);
        return;
    }
    std::string strStatusText;
    if (!file.QueryInfo(CHttpFile::EQuery::STATUS_TEXT, strStatusText) || strStatusText.empty())
        // HTTP/2 sends no reason phrase: the code's standard one stands in.
        strStatusText = CHttpFile::GetStandardReasonPhrase(nStatusCode);
    link.SetStatus(nStatusCode, strStatusText);
    const CWebUrl final = CWebUrl::Parse(file.GetFinalURL());
    if (final.IsWebLink())
        link.SetFinalURL(final.GetText());
    std::string strContentType;
    bIsPage = file.QueryInfo(CHttpFile::EQuery::CONTENT_TYPE, strContentType) && IsPageType(strContentType);
}

bool CWebLinkChecker::Reuse(CWebLink& link, bool& bAnsweredPage) const
{
    const std::optional<SStoredResult> stored = m_pStore ? m_pStore->FindReusable(link.GetFullURL()) : std::nullopt;
    // A result kept under other accepted codes may not be good under these.
    if (!stored || !m_policy.accepted.Contains(stored->nStatusCode))
        return false;
    link.SetStatus(stored->nStatusCode, stored->strStatusText);
    link.SetVerdict(stored->eVerdict);
    // A final URL is stored only for a check that followed redirects.
    link.SetRedirected(!stored->strFinalURL.empty());
    link.SetFinalURL(stored->strFinalURL.empty() ? link.GetFullURL() : stored->strFinalURL);
    link.SetPermanentRedirect(stored->bPermanent);
    link.SetCached(true);
    bAnsweredPage = stored->bIsPage;
    return true;
}

void CWebLinkChecker::Remember(const CWebLink& link, bool bAnsweredPage) const
{
    if (!m_pStore)
        return;
    m_pStore->StoreResult(link.GetFullURL(),
        {link.GetStatusCode(), link.GetStatusText(), link.GetVerdict(),
            link.IsRedirected() ? link.GetFinalURL() : std::string(), link.IsPermanentRedirect(), bAnsweredPage});
}

void CWebLinkChecker::NoteForFragments(const CWebLink& link, bool bAnsweredPage, bool bWillRead) const
{
    if (!m_pFragments)
        return;
    if (bWillRead)
        m_pFragments->NoteWillRead(CFragmentChecker::DocumentKey(link));
    const bool bHtml = CFileLinkChecker::IsLocal(link) ? CFragmentChecker::IsHtmlFile(link) : bAnsweredPage;
    m_pFragments->NoteChecked(link, bHtml);
}

bool CWebLinkChecker::ReportJudgedFragments(CLinkArray& links, CCrawler* pCrawler) const
{
    if (!m_pFragments)
        return false;
    for (int nPos : m_pFragments->JudgeWaiting(links))
        if (pCrawler->ReportChecked(nPos))
            return true;
    return false;
}

void CWebLinkChecker::ReadRedirects(const CHttpFile& file, CWebLink& link)
{
    const std::vector<int> codes = file.GetRedirectCodes();
    link.SetRedirected(!codes.empty());
    link.SetPermanentRedirect(!codes.empty()
        && std::all_of(codes.begin(), codes.end(), [](int nCode) { return nCode == 301 || nCode == 308; }));
    if (!codes.empty() && link.GetFinalURL().empty()) {
        // A chain that failed on its way still tells where it got to.
        const CWebUrl last = CWebUrl::Parse(file.GetFinalURL());
        if (last.IsWebLink())
            link.SetFinalURL(last.GetText());
    }
}

bool CWebLinkChecker::WaitAsked(
    const std::string& strWhere, const SCheckAnswer& answer, int nPos, CCrawler* pCrawler, CTransferEngine& engine)
{
    // An answer sent ahead may have waited unread: the wait counts from its arrival.
    const TimePoint now = std::chrono::steady_clock::now();
    const TimePoint from = answer.answerTime == TimePoint() ? now : std::min(now, answer.answerTime);
    const TimePoint until = from + std::chrono::seconds(*answer.retryAfter);
    if (until <= now)
        return !pCrawler->m_bStop;
    engine.PauseHost(strWhere, until);
    for (TimePoint next = now; next < until;) {
        const auto left = std::chrono::ceil<std::chrono::seconds>(until - next);
        if (pCrawler->ReportWaiting(nPos, static_cast<int>(left.count())))
            return false;
        next = std::min(until, until - left + std::chrono::seconds(1));
        if (!WaitFor(next, pCrawler, engine))
            return false;
    }
    return !pCrawler->m_bStop;
}

bool CWebLinkChecker::WaitFor(TimePoint until, CCrawler* pCrawler, CTransferEngine& engine)
{
    for (TimePoint now = std::chrono::steady_clock::now(); now < until; now = std::chrono::steady_clock::now()) {
        engine.WaitUntil(std::min(until, now + std::chrono::seconds(1)));
        if (pCrawler->m_bStop)
            return false;
    }
    return true;
}

bool CWebLinkChecker::IsPage(CWebLink& link, bool bAnsweredPage, bool bExploreCgi, CSiteScopes& scopes)
{
    // A link whose answer came from elsewhere is checked, not read.
    const std::string& strWhere = link.GetFinalURL().empty() ? link.GetFullURL() : link.GetFinalURL();
    // What the server answered, not what the user accepts, says whether a page came.
    if (!bAnsweredPage || !link.CLink::HasGoodStatus() || (!bExploreCgi && LooksLikeScript(strWhere)))
        return false;
    if (scopes.IsWithin(link, strWhere))
        return true;
    scopes.NoteOutside(&link, strWhere);
    return false;
}

bool CWebLinkChecker::IsPageType(const std::string& strContentType)
{
    const std::string strType
        = ToLower(std::string(TrimSpace(std::string_view(strContentType).substr(0, strContentType.find(';')))));
    return IsHtmlType(strType) || strType == "text/css";
}

bool CWebLinkChecker::IsHtmlType(const std::string& strContentType)
{
    const std::string strType
        = ToLower(std::string(TrimSpace(std::string_view(strContentType).substr(0, strContentType.find(';')))));
    return strType == "text/html" || strType == "application/xhtml+xml";
}
