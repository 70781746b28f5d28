#include "crawl/WebLinkExtractor.h"

#include "crawl/WebUrl.h"
#include "html/CharsetDecoder.h"
#include "html/HtmlLinkReader.h"
#include "link/LinkArray.h"
#include "link/WebLink.h"

#include <memory>

void CWebLinkExtractor::Extract(const std::string& strDocument, const SPageAnswer& answer, CLinkArray* pLinks,
    CLink* pPage)
{
    if (!pLinks || !pPage)
        return;
    CLink* pNamed = NamePage(answer, pLinks, pPage);
    const std::string strPageURL = pNamed->GetFullURL();
    CHtmlLinkReader reader;
    reader.Read(CCharsetDecoder::ToUtf8(strDocument, answer.strContentType));
    // The base is itself resolved against the page; one that resolves to no
    // web URL leaves the page's own.
    std::string strBase = strPageURL;
    if (reader.HasBase()) {
        std::string strResolved;
        if (CWebUrl::Resolve(strPageURL, reader.GetBase(), strResolved) == CWebUrl::RESOLVED)
            strBase = strResolved;
    }
    for (const SHtmlReference& reference : reader.GetReferences()) {
        std::string strNormal;
        if (CWebUrl::Resolve(strBase, reference.strValue, strNormal) == CWebUrl::RESOLVED)
            File(strNormal, pLinks, pNamed, reference.nLine, reference.nColumn);
    }
}

CLink* CWebLinkExtractor::NamePage(const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage)
{
    std::string strFinal;
    if (answer.strFinalURL.empty() || !CWebUrl::Normalize(answer.strFinalURL, strFinal)
        || strFinal == pPage->GetFullURL())
        return pPage;
    return pLinks->AdoptBase(std::make_unique<CWebLink>(strFinal, nullptr));
}

void CWebLinkExtractor::File(const std::string& strNormalURL, CLinkArray* pLinks, CLink* pPage, int nLine, int nColumn)
{
    const SLinkOccurrence occurrence {pPage, nLine, nColumn};
    if (CLink* pKnown = pLinks->Find(strNormalURL)) {
        pKnown->AddOccurrence(occurrence);
        return;
    }
    auto pLink = std::make_unique<CWebLink>(strNormalURL, pPage);
    pLink->AddOccurrence(occurrence);
    // Listed, never requested: no server is asked a URL of that size.
    if (strNormalURL.size() > MAX_URL)
        pLink->SetError(URL_TOO_LONG);
    pLinks->Add(std::move(pLink));
}
