#include "modern/RobotsPolicy.h"

#include "link/Link.h"

#include "net/HttpFile.h"
#include "net/InternetException.h"
#include "net/InternetSession.h"
#include "net/WebUrl.h"

namespace {

// "scheme://host:port" of a web URL; empty for anything else.
std::string OriginOf(const CWebUrl& url)
{
    if (!url.IsWebLink())
        return std::string();
    return url.GetScheme() + "://" + url.GetHost() + ":" + std::to_string(url.GetPort());
}

} // namespace

void CRobotsPolicy::SetOrigin(const std::string& strNormalURL)
{
    m_strOrigin = OriginOf(CWebUrl::Parse(strNormalURL));
}

bool CRobotsPolicy::Allows(const std::string& strNormalURL, CInternetSession* pSession)
{
    const CWebUrl url = CWebUrl::Parse(strNormalURL);
    // The file speaks for its own origin only.
    if (m_strOrigin.empty() || OriginOf(url) != m_strOrigin)
        return true;
    if (!m_bLoaded) {
        m_bLoaded = true;
        Load(pSession);
    }
    if (m_rules.IsAllowed(url.GetQuery().empty() ? url.GetPath() : url.GetPath() + "?" + url.GetQuery()))
        return true;
    ++m_nRefused;
    return false;
}

void CRobotsPolicy::Load(CInternetSession* pSession)
{
    const CWebUrl robots = CWebUrl::Parse(m_strOrigin).Resolve("/robots.txt");
    const std::string strURL = robots.GetText();
    if (!pSession || !pSession->GetTransferEngine()) {
        Fail("robots.txt at " + strURL + " could not be read: the internet session is closed");
        return;
    }
    CHttpFile file(pSession->GetTransferEngine(), strURL, CTransferEngine::ERequest::GET);
    file.SetMaxRedirects(static_cast<long>(MAX_REDIRECTS));
    try {
        file.SendRequest();
    } catch (const CInternetException& e) {
        // A redirect loop is many redirects, not an unreachable file.
        if (e.GetErrorKind() != ETransferError::TOO_MANY_REDIRECTS)
            Fail("robots.txt at " + strURL + " could not be read: " + e.GetErrorMessage());
        return;
    }
    ReadAnswer(file, strURL);
}

void CRobotsPolicy::ReadAnswer(CHttpFile& file, const std::string& strURL)
{
    int nStatusCode = 0;
    if (!file.QueryInfoStatusCode(nStatusCode))
        return;
    if (nStatusCode >= 500) {
        std::string strReason;
        file.QueryInfo(CHttpFile::EQuery::STATUS_TEXT, strReason);
        Fail("robots.txt at " + strURL + " answered " + std::to_string(nStatusCode)
            + (strReason.empty() ? std::string() : " " + strReason));
        return;
    }
    // A 4xx, or a redirect with nowhere to go: there are no rules.
    if (nStatusCode < 200 || nStatusCode > 299)
        return;
    std::string strBody;
    try {
        char szBuffer[16384];
        std::size_t nRead = 0;
        while (strBody.size() < CRobotsRules::MAX_FILE && (nRead = file.Read(szBuffer, sizeof(szBuffer))) > 0)
            strBody.append(szBuffer, nRead);
    } catch (const CInternetException& e) {
        Fail("robots.txt at " + strURL + " could not be read: " + e.GetErrorMessage());
        return;
    }
    m_rules = CRobotsRules::Parse(strBody, PRODUCT);
}

void CRobotsPolicy::Fail(std::string strFailure)
{
    m_strFailure = std::move(strFailure);
    m_rules = CRobotsRules::DisallowAll();
}

bool CRobotsPolicy::MayFetch(const CLink& page, CInternetSession* pSession)
{
    return Allows(page.GetURL(), pSession);
}
