#include "crawl/PageQueue.h"

#include "crawl/InternetException.h"
#include "crawl/InternetFile.h"
#include "crawl/InternetSession.h"
#include "link/Link.h"

#include <cstring>
#include <memory>

namespace {

// Chunks of 255 bytes, so a terminating zero always fits after them.
constexpr std::size_t CHUNK = 255;

} // namespace

bool CPageQueue::AddPage(CLink* pLink)
{
    m_pages.push_back(pLink);
    return true;
}

void CPageQueue::FetchNextPage(std::string& strDocument, CInternetSession* pSession, CLink*& pPage, std::string& strError)
{
    if (m_pages.empty())
        return;
    pPage = m_pages.front();
    m_pages.pop_front();
    const std::size_t nStart = strDocument.size();
    try {
        if (!pSession)
            throw CInternetException("No internet session");
        const std::string strURL = pPage->GetURL();
        const bool bLocal = strURL.compare(0, 7, "file://") == 0;
        std::unique_ptr<CInternetFile> pFile = pSession->OpenURL(bLocal ? strURL : BuildRequestURL(*pPage));
        if (pFile) {
            ReadDocument(*pFile, strDocument);
            pFile->Close();
        }
    } catch (const CInternetException& e) {
        if (strDocument.size() == nStart)
            strError = e.GetErrorMessage();
    }
}

void CPageQueue::ReadDocument(CInternetFile& file, std::string& strDocument)
{
    char szBuffer[CHUNK + 1];
    std::size_t nRead = 0;
    do {
        nRead = file.Read(szBuffer, CHUNK);
        szBuffer[nRead] = '\0';
        // A chunk contributes its bytes up to its first zero byte.
        strDocument.append(szBuffer, std::strlen(szBuffer));
        if (strDocument.size() >= MAX_DOCUMENT) {
            strDocument.resize(MAX_DOCUMENT);
            return;
        }
    } while (nRead == CHUNK);
}

std::string CPageQueue::BuildRequestURL(const CLink& page)
{
    std::string strURL = page.GetFullURL();
    const int nPort = page.GetRequestPort();
    if (nPort == 0)
        return strURL;
    const std::size_t nHost = strURL.find("://");
    if (nHost == std::string::npos)
        return strURL;
    const std::size_t nHostEnd = strURL.find('/', nHost + 3);
    strURL.insert(nHostEnd == std::string::npos ? strURL.size() : nHostEnd, ":" + std::to_string(nPort));
    return strURL;
}
