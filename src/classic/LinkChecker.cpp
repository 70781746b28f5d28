#include "classic/LinkChecker.h"

#include "crawl/Crawler.h"
#include "link/Link.h"
#include "link/LinkArray.h"
#include "net/HttpConnection.h"
#include "net/HttpFile.h"
#include "net/InternetException.h"
#include "net/InternetSession.h"

#include <memory>

namespace {

bool LooksLikeScript(const std::string& strRequestPath)
{
    return strRequestPath.find("cgi") != std::string::npos || strRequestPath.find('?') != std::string::npos
        || strRequestPath.find('$') != std::string::npos;
}

} // namespace

void CLinkChecker::CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession)
{
    if (!pLinks || pLinks->GetSize() <= m_nChecked)
        return;
    try {
        for (int nPos = m_nChecked + 1; nPos <= pLinks->GetSize(); ++nPos) {
            CLink* pLink = pLinks->GetAt(nPos);
            if (pLink->GetLinkType() != LINK_HTTP)
                continue;
            SendHeadRequest(pSession, pLink);
            if (HandleCheckedLink(pLink, nPos, pCrawler))
                break;
        }
    } catch (const CInternetException&) {
        // Ends the pass; what is left stays unchecked, as after Stop.
    }
    m_nChecked = pLinks->GetSize();
}

bool CLinkChecker::SendHeadRequest(CInternetSession* pSession, CLink* pLink)
{
    bool bResult = true;
    std::unique_ptr<CHttpConnection> pConnection;
    std::unique_ptr<CHttpFile> pFile;
    try {
        if (!pSession)
            throw CInternetException("No internet session");
        pConnection = pSession->GetHttpConnection(pLink->GetHost(), pLink->GetRequestPort());
        if (pConnection) {
            pFile = pConnection->OpenRequest(CHttpConnection::EVerb::HEAD, pLink->GetRequestPath());
            if (pFile && pFile->SendRequest())
                ReadResponseStatus(pFile.get(), pLink);
        }
    } catch (const CInternetException& e) {
        m_strError = e.GetErrorMessage();
        pLink->SetError(m_strError.c_str());
        bResult = false;
    }
    if (pFile)
        pFile->Close();
    if (pConnection)
        pConnection->Close();
    return bResult;
}

bool CLinkChecker::ReadResponseStatus(CHttpFile* pFile, CLink* pLink)
{
    m_bIsHtml = false;
    int nStatusCode = 0;
    if (!pFile->QueryInfoStatusCode(nStatusCode)) {
        // Not an answer anyone could judge: a failure, not "not checked".
        pLink->SetError(CHttpFile::NO_STATUS_CODE);
        return true;
    }
    std::string strStatusText;
    if (!pFile->QueryInfo(CHttpFile::EQuery::STATUS_TEXT, strStatusText))
        strStatusText.clear();
    pLink->SetStatus(nStatusCode, strStatusText);
    std::string strHeaders;
    if (pFile->QueryInfo(CHttpFile::EQuery::RAW_HEADERS_CRLF, strHeaders)
        && strHeaders.find("text/html") != std::string::npos)
        m_bIsHtml = true;
    return true;
}

bool CLinkChecker::HandleCheckedLink(CLink* pLink, int nPos, CCrawler* pCrawler)
{
    if (m_bIsHtml && pLink->HasGoodStatus() && pCrawler->IsWithinSite(pLink)
        && (pCrawler->m_bExploreCgi || !LooksLikeScript(pLink->GetRequestPath())))
        pCrawler->EnqueuePage(pLink);
    return pCrawler->ReportChecked(nPos);
}
