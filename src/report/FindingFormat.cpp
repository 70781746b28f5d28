#include "report/FindingFormat.h"

#include "link/Link.h"
#include "link/LinkArray.h"
#include "link/WebLink.h"

#include <filesystem>

namespace {

const std::string FILE_PREFIX = "file://";

// " (did you mean #a, #b or #c?)" for a missing fragment with ids near it.
std::string Suggestions(const CLink& link)
{
    const auto* pWeb = dynamic_cast<const CWebLink*>(&link);
    if (!pWeb || pWeb->GetFragmentOutcome() != EFragment::MISSING || pWeb->GetSuggestions().empty())
        return std::string();
    const std::vector<std::string>& ids = pWeb->GetSuggestions();
    std::string strText = " (did you mean #" + ids.front();
    for (std::size_t i = 1; i < ids.size(); ++i)
        strText += (i + 1 == ids.size() ? " or #" : ", #") + ids[i];
    return strText + "?)";
}

} // namespace

bool CFindingFormat::IsLocalFile(const CLink& page)
{
    return page.GetURL().compare(0, FILE_PREFIX.size(), FILE_PREFIX) == 0;
}

std::string CFindingFormat::PageName(const CLink& page)
{
    if (!IsLocalFile(page))
        return page.GetFullURL();
    // The URL a local start page is read from holds its absolute path as written.
    const std::filesystem::path path = page.GetURL().substr(FILE_PREFIX.size());
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error)
        return path.string();
    const std::filesystem::path relative = path.lexically_relative(current);
    return relative.empty() ? path.string() : relative.string();
}

std::string CFindingFormat::StatusMessage(const CLink& link)
{
    if (!link.IsChecked())
        return "not checked";
    const std::string strText = link.GetStatusText();
    return std::to_string(link.GetStatusCode()) + (strText.empty() ? "" : " " + strText) + Suggestions(link);
}

const CLink* CFindingFormat::FirstPage(const CLink& link)
{
    return link.GetOccurrences().empty() ? link.GetReferrer() : link.GetOccurrences().front().pPage;
}

std::vector<CFindingFormat::SFinding> CFindingFormat::Findings() const
{
    std::vector<SFinding> findings;
    for (int nPos = 1; nPos <= m_links.GetSize(); ++nPos) {
        const CLink* pLink = m_links.GetAt(nPos);
        if (pLink->HasGoodStatus())
            continue;
        // A link found nowhere in particular is still reported, at its referrer.
        if (pLink->GetOccurrences().empty())
            findings.push_back({pLink, pLink->GetReferrer(), 0, 0});
        for (const SLinkOccurrence& occurrence : pLink->GetOccurrences())
            findings.push_back({pLink, occurrence.pPage, occurrence.nLine, occurrence.nColumn});
    }
    return findings;
}
