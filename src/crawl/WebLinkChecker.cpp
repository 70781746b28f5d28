#include "crawl/WebLinkChecker.h"

#include "crawl/Crawler.h"
#include "crawl/FileLinkChecker.h"
#include "crawl/HttpFile.h"
#include "crawl/InternetException.h"
#include "crawl/InternetSession.h"
#include "crawl/LinkChecker.h"
#include "crawl/WebSite.h"
#include "crawl/WebUrl.h"
#include "link/LinkArray.h"
#include "link/WebLink.h"

#include <algorithm>
#include <cctype>

namespace {

std::string ToLower(std::string str)
{
    std::transform(
        str.begin(), str.end(), str.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return str;
}

std::string Trim(const std::string& str)
{
    const std::size_t nFirst = str.find_first_not_of(" \t");
    if (nFirst == std::string::npos)
        return std::string();
    return str.substr(nFirst, str.find_last_not_of(" \t") - nFirst + 1);
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

} // namespace

void CWebLinkChecker::CheckNewLinks(
    CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession, const CWebSite& site)
{
    if (!pLinks || pLinks->GetSize() <= m_nChecked)
        return;
    for (int nPos = m_nChecked + 1; nPos <= pLinks->GetSize(); ++nPos) {
        auto* pLink = static_cast<CWebLink*>(pLinks->GetAt(nPos));
        // A local file is looked at, never requested nor read as a page.
        if (pLink->GetStatusCode() == -1)
            CFileLinkChecker::CheckIfLocal(*pLink);
        // A link listed as failed when it was found needs no request.
        const bool bAnsweredPage = pLink->GetStatusCode() == -1 && Check(*pLink, pSession);
        if (IsPage(*pLink, bAnsweredPage, pCrawler->m_bExploreCgi, site))
            pCrawler->EnqueuePage(pLink);
        if (pCrawler->ReportChecked(nPos))
            break;
    }
    m_nChecked = pLinks->GetSize();
}

bool CWebLinkChecker::Check(CWebLink& link, CInternetSession* pSession)
{
    bool bIsPage = false;
    try {
        if (!pSession)
            throw CInternetException("No internet session");
        CHttpFile file(pSession->GetTransferEngine(), link.GetFullURL(), true);
        file.SendRequest();
        ReadAnswer(file, link, bIsPage);
    } catch (const CInternetException& e) {
        link.SetError(e.GetErrorMessage().c_str());
        return false;
    }
    return bIsPage;
}

void CWebLinkChecker::ReadAnswer(CHttpFile& file, CWebLink& link, bool& bIsPage)
{
    int nStatusCode = 0;
    if (!file.QueryInfoStatusCode(nStatusCode)) {
        link.SetError(CLinkChecker::NO_STATUS_CODE);
        return;
    }
    std::string strStatusText;
    if (!file.QueryInfo(HTTP_QUERY_STATUS_TEXT, strStatusText) || strStatusText.empty())
        // HTTP/2 sends no reason phrase: the code's standard one stands in.
        strStatusText = CHttpFile::GetStandardReasonPhrase(nStatusCode);
    link.SetStatus(nStatusCode, strStatusText);
    const CWebUrl final = CWebUrl::Parse(file.GetFinalURL());
    if (final.IsWebLink())
        link.SetFinalURL(final.GetText());
    std::string strContentType;
    bIsPage = file.QueryInfo(HTTP_QUERY_CONTENT_TYPE, strContentType) && IsPageType(strContentType);
}

bool CWebLinkChecker::IsPage(const CWebLink& link, bool bAnsweredPage, bool bExploreCgi, const CWebSite& site)
{
    // A link whose answer came from elsewhere is checked, not read.
    const std::string& strWhere = link.GetFinalURL().empty() ? link.GetFullURL() : link.GetFinalURL();
    return bAnsweredPage && link.HasGoodStatus() && site.IsWithin(strWhere)
        && (bExploreCgi || !LooksLikeScript(strWhere));
}

bool CWebLinkChecker::IsPageType(const std::string& strContentType)
{
    const std::string strType = ToLower(Trim(strContentType.substr(0, strContentType.find(';'))));
    return strType == "text/html" || strType == "application/xhtml+xml";
}
