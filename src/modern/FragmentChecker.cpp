#include "modern/FragmentChecker.h"

#include "crawl/PageQueue.h"
#include "html/CharsetDecoder.h"
#include "html/HtmlLinkReader.h"
#include "link/LinkArray.h"
#include "link/WebLink.h"
#include "modern/FileLinkChecker.h"
#include "modern/FragmentMatcher.h"
#include "modern/WebLinkChecker.h"
#include "net/HttpFile.h"
#include "net/InternetException.h"
#include "net/InternetSession.h"
#include "net/WebUrl.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

const char* const FRAGMENT_NOT_FOUND = "Fragment not found";

// A document read to its end, or to one byte past the page bound.
template <class TRead> std::string ReadBounded(TRead read, bool& bTooLarge)
{
    std::string strDocument;
    char szChunk[16384];
    while (strDocument.size() <= CPageQueue::MAX_DOCUMENT) {
        const std::size_t nRead = read(szChunk, sizeof szChunk);
        if (nRead == 0)
            break;
        strDocument.append(szChunk, nRead);
    }
    bTooLarge = strDocument.size() > CPageQueue::MAX_DOCUMENT;
    return strDocument;
}

SFragmentTargets TargetsOf(std::string strDocument, const std::string& strContentType)
{
    CHtmlLinkReader reader;
    reader.Read(CCharsetDecoder::ToUtf8(std::move(strDocument), strContentType));
    return reader.GetFragmentTargets();
}

bool IsHtmlFileName(const std::filesystem::path& path)
{
    const std::string strExtension = path.extension().string();
    return strExtension == ".html" || strExtension == ".htm";
}

const char* ReasonFor(CFragmentChecker::ERead eRead)
{
    switch (eRead) {
    case CFragmentChecker::ERead::TOO_LARGE: return "too large";
    case CFragmentChecker::ERead::NOT_HTML: return "not HTML";
    case CFragmentChecker::ERead::NOT_READ:
    case CFragmentChecker::ERead::WHOLE: break;
    }
    return "not read";
}

} // namespace

std::string CFragmentChecker::DocumentKey(const CWebLink& link)
{
    return link.GetFinalURL().empty() ? link.GetFullURL() : link.GetFinalURL();
}

bool CFragmentChecker::IsHtmlFile(const CWebLink& link)
{
    std::error_code error;
    const std::filesystem::path path(CFileLinkChecker::GetLocalPath(link));
    return std::filesystem::is_directory(path, error) || IsHtmlFileName(path);
}

void CFragmentChecker::NoteWillRead(const std::string& strPageURL)
{
    m_willRead.insert(NormalKey(strPageURL));
}

void CFragmentChecker::NotePage(const std::string& strPageURL, SFragmentTargets targets, ERead eRead, int nStatusCode)
{
    m_pages.insert_or_assign(NormalKey(strPageURL), SPage {std::move(targets), eRead, nStatusCode});
}

std::string CFragmentChecker::NormalKey(const std::string& strPageURL)
{
    // A local start page is named by its path as given; links to it by the
    // normal form of its file: URL.
    if (!CFileLinkChecker::IsLocalURL(strPageURL))
        return strPageURL;
    const CWebUrl url = CWebUrl::ParseFile(strPageURL);
    return url.IsFileLink() ? url.GetText() : strPageURL;
}

void CFragmentChecker::NoteChecked(const CWebLink& base, bool bHtml)
{
    // Only these are searched; the rest give their fragments their outcome.
    if (bHtml && base.GetVerdict() == EVerdict::OK)
        m_htmlDocuments.insert(base.GetFullURL());
}

bool CFragmentChecker::Judge(CWebLink& row, int nPos, const CLinkArray& links, CInternetSession* pSession)
{
    const std::string strDocumentURL = row.GetDocumentURL();
    const auto* pBase = dynamic_cast<const CWebLink*>(links.Find(strDocumentURL));
    if (!pBase || !pBase->IsChecked()) {
        // A page's link to a part of itself: the page's own answer decides.
        // (A row whose document's row was filtered out stays unchecked.)
        if (const auto page = m_pages.find(strDocumentURL); page != m_pages.end())
            JudgeOnPage(page->second, row);
        else if (m_willRead.contains(strDocumentURL))
            return Wait(nPos, strDocumentURL);
        return true;
    }
    CopyOutcome(*pBase, row);
    if (pBase->GetVerdict() != EVerdict::OK) {
        row.SetFragmentOutcome(EFragment::UNCHECKED);
        return true;
    }
    if (!m_htmlDocuments.contains(strDocumentURL)) {
        row.SetFragmentOutcome(EFragment::UNVERIFIABLE, ReasonFor(ERead::NOT_HTML));
        return true;
    }
    const std::string strPageURL = DocumentKey(*pBase);
    if (const auto page = m_pages.find(strPageURL); page != m_pages.end()) {
        JudgeAgainst(page->second, row);
        return true;
    }
    if (m_willRead.contains(strPageURL))
        return Wait(nPos, strPageURL);
    // A mapped link's document is its file: no request goes to its prefix.
    const std::string strOpen = pBase->GetURL();
    JudgeAgainst(ReadOnce(strPageURL, CFileLinkChecker::IsLocalURL(strOpen) ? strOpen : strPageURL, pSession), row);
    return true;
}

bool CFragmentChecker::Wait(int nPos, const std::string& strPageURL)
{
    m_waiting.emplace_back(nPos, strPageURL);
    return false;
}

std::vector<int> CFragmentChecker::JudgeWaiting(CLinkArray& links)
{
    std::vector<int> judged;
    std::erase_if(m_waiting, [&](const std::pair<int, std::string>& waiting) {
        const auto page = m_pages.find(waiting.second);
        if (page == m_pages.end())
            return false;
        auto* pRow = dynamic_cast<CWebLink*>(links.GetAt(waiting.first));
        if (pRow && pRow->IsChecked())
            JudgeAgainst(page->second, *pRow);
        else if (pRow)
            JudgeOnPage(page->second, *pRow);
        judged.push_back(waiting.first);
        return true;
    });
    return judged;
}

void CFragmentChecker::CopyOutcome(const CWebLink& from, CWebLink& row)
{
    row.SetStatus(from.GetStatusCode(), from.GetStatusText());
    row.SetVerdict(from.GetVerdict());
    row.SetFinalURL(from.GetFinalURL());
    row.SetRedirected(from.IsRedirected());
    row.SetPermanentRedirect(from.IsPermanentRedirect());
    row.SetCached(from.IsCached());
}

void CFragmentChecker::JudgeOnPage(const SPage& page, CWebLink& row) const
{
    // A local page read from its file has no status of its own: it was there.
    const int nCode = page.nStatusCode == 0 ? 200 : page.nStatusCode;
    row.SetStatus(nCode, nCode == 200 ? "OK" : CHttpFile::GetStandardReasonPhrase(nCode));
    if (nCode >= 300) {
        row.SetVerdict(EVerdict::BROKEN);
        row.SetFragmentOutcome(EFragment::UNCHECKED);
        return;
    }
    row.SetVerdict(EVerdict::OK);
    JudgeAgainst(page, row);
}

void CFragmentChecker::JudgeAgainst(const SPage& page, CWebLink& row) const
{
    if (page.eRead != ERead::WHOLE) {
        row.SetFragmentOutcome(EFragment::UNVERIFIABLE, ReasonFor(page.eRead));
        return;
    }
    const std::string strFragment = row.GetFragment();
    if (CFragmentMatcher::Finds(page.targets, strFragment)) {
        row.SetFragmentOutcome(EFragment::FOUND);
        return;
    }
    row.SetStatus(row.GetStatusCode(), FRAGMENT_NOT_FOUND);
    row.SetVerdict(EVerdict::BROKEN);
    row.SetFragmentOutcome(EFragment::MISSING, std::string(), CFragmentMatcher::Suggest(page.targets, strFragment));
}

const CFragmentChecker::SPage& CFragmentChecker::ReadOnce(
    const std::string& strPageURL, const std::string& strReadURL, CInternetSession* pSession)
{
    if (const auto page = m_pages.find(strPageURL); page != m_pages.end())
        return page->second;
    SPage page = CFileLinkChecker::IsLocalURL(strReadURL) ? ReadFile(strReadURL) : ReadWeb(strReadURL, pSession);
    return m_pages.insert_or_assign(strPageURL, std::move(page)).first->second;
}

CFragmentChecker::SPage CFragmentChecker::ReadFile(const std::string& strFileURL)
{
    std::error_code error;
    std::filesystem::path path(CFileLinkChecker::GetLocalPath(strFileURL));
    if (std::filesystem::is_directory(path, error))
        path /= "index.html";
    if (!IsHtmlFileName(path))
        return {{}, ERead::NOT_HTML, 0};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {{}, ERead::NOT_READ, 0};
    bool bTooLarge = false;
    std::string strDocument = ReadBounded(
        [&file](char* pBuffer, std::size_t nCount) {
            file.read(pBuffer, static_cast<std::streamsize>(nCount));
            return static_cast<std::size_t>(file.gcount());
        },
        bTooLarge);
    if (bTooLarge)
        return {{}, ERead::TOO_LARGE, 0};
    return {TargetsOf(std::move(strDocument), std::string()), ERead::WHOLE, 0};
}

CFragmentChecker::SPage CFragmentChecker::ReadWeb(const std::string& strURL, CInternetSession* pSession)
{
    if (!pSession || !pSession->GetTransferEngine())
        return {{}, ERead::NOT_READ, 0};
    CHttpFile file(pSession->GetTransferEngine(), strURL, CTransferEngine::ERequest::GET);
    try {
        file.SendRequest();
        int nStatusCode = 0;
        std::string strContentType;
        if (!file.QueryInfoStatusCode(nStatusCode) || nStatusCode < 200 || nStatusCode >= 300)
            return {{}, ERead::NOT_READ, nStatusCode};
        if (!file.QueryInfo(CHttpFile::EQuery::CONTENT_TYPE, strContentType)
            || !CWebLinkChecker::IsHtmlType(strContentType))
            return {{}, ERead::NOT_HTML, nStatusCode};
        bool bTooLarge = false;
        std::string strDocument
            = ReadBounded([&file](char* pBuffer, std::size_t nCount) { return file.Read(pBuffer, nCount); }, bTooLarge);
        if (bTooLarge)
            return {{}, ERead::TOO_LARGE, nStatusCode};
        return {TargetsOf(std::move(strDocument), strContentType), ERead::WHOLE, nStatusCode};
    } catch (const CInternetException&) {
        // Cut short: what was read is not the whole document.
        return {{}, ERead::NOT_READ, 0};
    }
}
