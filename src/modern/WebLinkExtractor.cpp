#include "modern/WebLinkExtractor.h"

#include "html/CharsetDecoder.h"
#include "html/CssLinkReader.h"
#include "html/HtmlLinkReader.h"
#include "link/LinkArray.h"
#include "link/WebLink.h"
#include "modern/FragmentMatcher.h"
#include "modern/PathMap.h"
#include "net/WebUrl.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>

void CWebLinkExtractor::Extract(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage,
    std::vector<SStoredPage::SLink>* pFiled, SFragmentTargets* pTargets)
{
    if (!pLinks || !pPage)
        return;
    CLink* pNamed = NamePage(answer, pLinks, pPage);
    CWebUrl page = CWebUrl::Parse(pNamed->GetFullURL());
    if (m_bLocalLinks && !page.IsWebLink())
        page = CWebUrl::ParseFile(pNamed->GetFullURL());
    if (IsStylesheet(answer.strContentType)) {
        ExtractStylesheet(
            CCharsetDecoder::ToUtf8(std::move(strDocument), answer.strContentType), page, pLinks, pNamed, pFiled);
        return;
    }
    CHtmlLinkReader reader;
    reader.SetFragmentOnly(m_bFragmentRows);
    reader.Read(CCharsetDecoder::ToUtf8(std::move(strDocument), answer.strContentType));
    // The base is itself resolved against the page; one that resolves to no
    // web URL leaves the page's own.
    CWebUrl base = reader.HasBase() ? page.Resolve(reader.GetBase()) : page;
    if (!IsFiled(base))
        base = page;
    for (std::size_t nIndex = 0; nIndex < reader.GetCount(); ++nIndex) {
        const SHtmlReference reference = reader.GetReference(nIndex);
        // A local file's page has no web base: only its absolute web links count.
        const CWebUrl link = IsFiled(base) ? base.Resolve(reference.strValue) : CWebUrl::Parse(reference.strValue);
        for (SStoredPage::SLink& filed : RowsFor(reference.strValue, link, reference.nLine, reference.nColumn)) {
            File(filed.strURL, pLinks, pNamed, {pNamed, filed.nLine, filed.nColumn}, filed.bTooLong);
            if (pFiled)
                pFiled->push_back(std::move(filed));
        }
    }
    if (pTargets)
        *pTargets = reader.GetFragmentTargets();
}

std::vector<SStoredPage::SLink> CWebLinkExtractor::RowsFor(
    std::string_view strValue, const CWebUrl& link, int nLine, int nColumn) const
{
    if (link.GetOutcome() == CWebUrl::URL_TOO_LONG)
        // Listed under the value as written: its normal form is never made.
        return {{std::string(strValue), nLine, nColumn, true}};
    if (!IsFiled(link))
        return {};
    const std::optional<std::string> fragment
        = m_bFragmentRows ? CFragmentMatcher::FromReference(strValue) : std::nullopt;
    // A part of the same page needs no row of the page itself.
    const bool bSamePage = !strValue.empty() && strValue.front() == '#';
    std::vector<SStoredPage::SLink> rows;
    if (!bSamePage)
        rows.push_back({link.GetText(), nLine, nColumn, false});
    if (fragment)
        rows.push_back({link.GetText() + "#" + *fragment, nLine, nColumn, false});
    return rows;
}

bool CWebLinkExtractor::IsStylesheet(const std::string& strContentType)
{
    std::string strType = strContentType.substr(0, strContentType.find(';'));
    std::erase_if(strType, [](char ch) { return ch == ' ' || ch == '\t'; });
    std::transform(strType.begin(), strType.end(), strType.begin(),
        [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return strType == "text/css";
}

void CWebLinkExtractor::ExtractStylesheet(const std::string& strText, const CWebUrl& sheet, CLinkArray* pLinks,
    CLink* pNamed, std::vector<SStoredPage::SLink>* pFiled) const
{
    // A stylesheet's links resolve against its own URL; it has no base.
    for (SCssReference& reference : CCssLinkReader::Read(strText)) {
        const CWebUrl link = IsFiled(sheet) ? sheet.Resolve(reference.strValue) : CWebUrl::Parse(reference.strValue);
        SStoredPage::SLink filed {std::string(), reference.nLine, reference.nColumn, false};
        if (IsFiled(link))
            filed.strURL = link.GetText();
        else if (link.GetOutcome() == CWebUrl::URL_TOO_LONG)
            filed = {std::move(reference.strValue), reference.nLine, reference.nColumn, true};
        else
            continue;
        File(filed.strURL, pLinks, pNamed, {pNamed, filed.nLine, filed.nColumn}, filed.bTooLong);
        if (pFiled)
            pFiled->push_back(std::move(filed));
    }
}

void CWebLinkExtractor::Replay(
    const std::vector<SStoredPage::SLink>& filed, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage)
{
    if (!pLinks || !pPage)
        return;
    CLink* pNamed = NamePage(answer, pLinks, pPage);
    for (const SStoredPage::SLink& link : filed)
        File(link.strURL, pLinks, pNamed, {pNamed, link.nLine, link.nColumn}, link.bTooLong);
}

CLink* CWebLinkExtractor::NamePage(const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage)
{
    const CWebUrl final = CWebUrl::Parse(answer.strFinalURL);
    if (!final.IsWebLink() || final.GetText() == pPage->GetFullURL())
        return pPage;
    return pLinks->AdoptBase(std::make_unique<CWebLink>(final.GetText(), nullptr));
}

void CWebLinkExtractor::File(
    const std::string& strURL, CLinkArray* pLinks, CLink* pPage, const SLinkOccurrence& occurrence, bool bTooLong) const
{
    if (CLink* pKnown = pLinks->Find(strURL)) {
        pKnown->AddOccurrence(occurrence);
        return;
    }
    const std::optional<std::string> file = m_pMap && !bTooLong ? m_pMap->MapToFile(strURL) : std::nullopt;
    auto pLink = std::make_unique<CWebLink>(strURL, pPage, file ? "file://" + *file : std::string());
    pLink->AddOccurrence(occurrence);
    // Listed, never requested: no server is asked a URL of that size.
    if (bTooLong)
        pLink->SetError(URL_TOO_LONG);
    pLinks->Add(std::move(pLink));
}
