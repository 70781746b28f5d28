#include "crawl/PageQueue.h"

#include "crawl/CrawlMode.h"
#include "link/Link.h"
#include "net/HttpFile.h"
#include "net/InternetException.h"
#include "net/InternetFile.h"
#include "net/InternetSession.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Chunks of 255 bytes, so a terminating zero always fits after them.
constexpr std::size_t CHUNK = 255;

} // namespace

void CPageQueue::AddPage(CLink* pLink)
{
    m_pages.push_back(pLink);
}

CLink* CPageQueue::GetPage(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetCount())
        return nullptr;
    return m_pages[static_cast<std::size_t>(nIndex)];
}

void CPageQueue::FetchNextPage(std::string& strDocument, CInternetSession* pSession, CLink*& pPage,
    std::string& strError, const CCrawlMode& mode, SPageAnswer& answer)
{
    if (m_pages.empty())
        return;
    pPage = m_pages.front();
    m_pages.pop_front();
    const std::size_t nStart = strDocument.size();
    try {
        if (!pSession)
            throw CInternetException("No internet session");
        std::unique_ptr<CInternetFile> pFile = pSession->OpenURL(GetOpenURL(*pPage, mode), mode.GetPageHeaders(*pPage));
        ReadAnswer(pFile.get(), answer);
        if (pFile) {
            ReadDocument(*pFile, strDocument, mode.KeepsZeroBytes());
            pFile->Close();
        }
    } catch (const CInternetException& e) {
        if (strDocument.size() == nStart)
            strError = e.GetErrorMessage();
        answer.strError = strError;
    }
}

void CPageQueue::ReadAnswer(const CInternetFile* pFile, SPageAnswer& answer)
{
    const auto* pHttp = dynamic_cast<const CHttpFile*>(pFile);
    if (!pHttp)
        return;
    pHttp->QueryInfo(CHttpFile::EQuery::CONTENT_TYPE, answer.strContentType);
    answer.strFinalURL = pHttp->GetFinalURL();
    pHttp->QueryInfoStatusCode(answer.nStatusCode);
    pHttp->QueryInfo(CHttpFile::EQuery::ETAG, answer.strETag);
    pHttp->QueryInfo(CHttpFile::EQuery::LAST_MODIFIED, answer.strLastModified);
}

void CPageQueue::ReadDocument(CInternetFile& file, std::string& strDocument, bool bKeepZeroBytes)
{
    char szBuffer[CHUNK + 1];
    std::size_t nRead = 0;
    // The bound counts what was read, not what was kept: a body of zero
    // bytes keeps nothing, and must end all the same.
    std::size_t nTotal = 0;
    do {
        nRead = file.Read(szBuffer, CHUNK);
        nTotal += nRead;
        if (!AppendChunk(szBuffer, nRead, strDocument, bKeepZeroBytes) || nTotal >= MAX_DOCUMENT)
            return;
    } while (nRead == CHUNK);
}

std::string CPageQueue::MakeDocument(const std::string& strBody, bool bKeepZeroBytes)
{
    // Read the way FetchNextPage reads, so the two cannot differ.
    class CBodyFile : public CInternetFile {
    public:
        explicit CBodyFile(const std::string& strBody)
            : m_strBody(strBody)
        {
        }
        std::size_t Read(char* pBuffer, std::size_t nCount) override
        {
            const std::size_t nCopied = std::min(nCount, m_strBody.size() - m_nPos);
            std::memcpy(pBuffer, m_strBody.data() + m_nPos, nCopied);
            m_nPos += nCopied;
            return nCopied;
        }
        void Close() override {}

    private:
        const std::string& m_strBody;
        std::size_t m_nPos = 0;
    };
    CBodyFile file(strBody);
    std::string strDocument;
    ReadDocument(file, strDocument, bKeepZeroBytes);
    return strDocument;
}

bool CPageQueue::AppendChunk(const char* pChunk, std::size_t nChunk, std::string& strDocument, bool bKeepZeroBytes)
{
    // A chunk contributes its bytes up to its first zero byte, unless zero
    // bytes are data (a page in UTF-16 is full of them).
    const void* pZero = bKeepZeroBytes ? nullptr : std::memchr(pChunk, '\0', nChunk);
    strDocument.append(pChunk, pZero ? static_cast<std::size_t>(static_cast<const char*>(pZero) - pChunk) : nChunk);
    if (strDocument.size() < MAX_DOCUMENT)
        return true;
    strDocument.resize(MAX_DOCUMENT);
    return false;
}

bool CPageQueue::IsLocalPage(const CLink& page)
{
    return page.GetURL().compare(0, 7, "file://") == 0;
}

std::string CPageQueue::GetOpenURL(const CLink& page, const CCrawlMode& mode)
{
    return IsLocalPage(page) ? page.GetURL() : mode.GetPageURL(page);
}
