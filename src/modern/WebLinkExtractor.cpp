#include "modern/WebLinkExtractor.h"

#include "html/CharsetDecoder.h"
#include "html/HtmlLinkReader.h"
#include "link/LinkArray.h"
#include "link/WebLink.h"
#include "modern/PathMap.h"
#include "net/WebUrl.h"

#include <memory>
#include <optional>

void CWebLinkExtractor::Extract(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage,
    std::vector<SStoredPage::SLink>* pFiled)
{
    if (!pLinks || !pPage)
        return;
    CLink* pNamed = NamePage(answer, pLinks, pPage);
    CWebUrl page = CWebUrl::Parse(pNamed->GetFullURL());
    if (m_bLocalLinks && !page.IsWebLink())
        page = CWebUrl::ParseFile(pNamed->GetFullURL());
    CHtmlLinkReader reader;
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
        const SLinkOccurrence occurrence {pNamed, reference.nLine, reference.nColumn};
        SStoredPage::SLink filed {std::string(), reference.nLine, reference.nColumn, false};
        if (IsFiled(link))
            filed.strURL = link.GetText();
        else if (link.GetOutcome() == CWebUrl::URL_TOO_LONG)
            // Listed under the value as written: its normal form is never made.
            filed = {std::string(reference.strValue), reference.nLine, reference.nColumn, true};
        else
            continue;
        File(filed.strURL, pLinks, pNamed, occurrence, filed.bTooLong);
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
