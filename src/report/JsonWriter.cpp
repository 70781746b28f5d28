#include "report/JsonWriter.h"

#include "link/Link.h"
#include "link/WebLink.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

// Pages and servers may send any bytes; U+FFFD keeps the place of each one
// that is not UTF-8 (where dropping it could make two URLs look alike), and
// dump's default would throw instead.
std::string JsonText(const nlohmann::ordered_json& value)
{
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// Only a fragment's row has these: other rows stay as they were.
void AddFragment(const CWebLink& link, nlohmann::ordered_json& row)
{
    row["fragment"] = GetFragmentName(link.GetFragmentOutcome());
    if (link.GetFragmentOutcome() == EFragment::MISSING)
        row["suggestions"] = link.GetSuggestions();
    if (link.GetFragmentOutcome() == EFragment::UNVERIFIABLE)
        row["fragment_reason"] = link.GetFragmentReason();
}

nlohmann::ordered_json JsonRow(const CLink& link)
{
    nlohmann::ordered_json row;
    row["referrer"] = link.GetReferrer() ? nlohmann::ordered_json(link.GetReferrer()->GetFullURL()) : nullptr;
    row["link"] = link.GetFullURL();
    row["status_code"] = link.GetStatusCode();
    row["status_text"] = link.GetStatusText();
    if (link.GetVerdict() != EVerdict::NONE)
        row["verdict"] = GetVerdictName(link.GetVerdict());
    const auto* pWeb = dynamic_cast<const CWebLink*>(&link);
    if (pWeb && pWeb->IsRedirected()) {
        row["final_url"] = pWeb->GetFinalURL();
        row["permanent"] = pWeb->IsPermanentRedirect();
    }
    if (pWeb && pWeb->GetFragmentOutcome() != EFragment::NONE)
        AddFragment(*pWeb, row);
    // Only records that kept where they were found have the field.
    if (!link.GetOccurrences().empty()) {
        nlohmann::ordered_json& places = row["occurrences"] = nlohmann::ordered_json::array();
        for (const SLinkOccurrence& occurrence : link.GetOccurrences())
            places.push_back({{"page", occurrence.pPage ? occurrence.pPage->GetFullURL() : std::string()},
                {"line", occurrence.nLine}, {"column", occurrence.nColumn}});
    }
    if (link.IsCached())
        row["cached"] = true;
    return row;
}

nlohmann::ordered_json JsonSummary(const CCrawlSummary& summary)
{
    nlohmann::ordered_json object;
    object["links"] = summary.m_nLinks;
    object["good"] = summary.m_nGood;
    object["bad"] = summary.m_nBad;
    object["unchecked"] = summary.m_nUnchecked;
    // Only then: scripts reading an unfiltered run's summary meet no new key.
    if (summary.m_bFiltered)
        object["excluded"] = summary.m_nExcluded;
    object["pages_fetched"] = summary.m_nPages;
    object["elapsed_seconds"] = std::round(summary.m_dElapsedSeconds * 1000) / 1000;
    if (summary.m_strTruncatedBy.empty())
        object["truncated_by"] = nullptr;
    else
        object["truncated_by"] = summary.m_strTruncatedBy;
    if (summary.m_bVerdicts)
        object["verdicts"] = {{"ok", summary.m_nOk}, {"broken", summary.m_nBroken}, {"blocked", summary.m_nBlocked},
            {"transient", summary.m_nTransient}};
    if (summary.m_bRobotsCounted)
        object["robots_skipped"] = summary.m_nRobotsSkipped;
    // Only with a cache: scripts reading a run without one meet no new key.
    if (summary.m_bCacheUsed)
        object["cached"] = summary.m_nCached;
    if (summary.m_bChangesOnly) {
        object["pages_read"] = summary.m_nPagesRead;
        object["links_checked"] = summary.m_nLinksChecked;
    }
    return object;
}

} // namespace

// Row by row rather than one document in memory, one row a line, so a
// large crawl costs no second copy and the output still greps.
void CJsonWriter::Write(std::ostream& out) const
{
    out << "{\n  \"rows\": [";
    const char* pszSeparator = "\n    ";
    for (const CLink* pLink : m_rows) {
        out << pszSeparator << JsonText(JsonRow(*pLink));
        pszSeparator = ",\n    ";
    }
    out << (m_rows.empty() ? "]" : "\n  ]") << ",\n  \"summary\": " << JsonText(JsonSummary(m_summary)) << "\n}\n";
}
