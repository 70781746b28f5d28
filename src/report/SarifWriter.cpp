#include "report/SarifWriter.h"

#include "link/Link.h"
#include "link/WebLink.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace {

using json = nlohmann::ordered_json;

const char* const BROKEN_RULE = "broken-link";
const char* const FRAGMENT_RULE = "missing-fragment";

struct SRule {
    const char* pszId;
    const char* pszLevel;
    const char* pszDescription;
};

// Without verdicts a link is good or broken; with them the tool also names
// the rules the other verdicts report under, whether they occur or not.
const SRule STATUS_RULES[] = {{BROKEN_RULE, "error", "A link without a good status."}};
const SRule VERDICT_RULES[] = {{BROKEN_RULE, "error", "A link without a good status."},
    {"blocked-link", "warning", "A link the server refused to an automated client."},
    {"transient-link", "warning", "A link that failed in a way that may pass."}};
const SRule FRAGMENT_RULES[] = {{FRAGMENT_RULE, "error", "A link whose #fragment names no element of its page."}};

json Rules(bool bVerdicts, bool bFragments)
{
    json rules = json::array();
    auto add = [&rules](const SRule& rule) {
        rules.push_back({{"id", rule.pszId}, {"shortDescription", {{"text", rule.pszDescription}}},
            {"defaultConfiguration", {{"level", rule.pszLevel}}}});
    };
    if (bVerdicts) {
        for (const SRule& rule : VERDICT_RULES)
            add(rule);
    } else {
        for (const SRule& rule : STATUS_RULES)
            add(rule);
    }
    if (bFragments) {
        for (const SRule& rule : FRAGMENT_RULES)
            add(rule);
    }
    return rules;
}

json Location(const CFindingFormat::SFinding& finding)
{
    json location;
    json& physical = location["physicalLocation"];
    const CLink& page = *finding.pPage;
    physical["artifactLocation"]["uri"] = CFindingFormat::IsLocalFile(page)
        ? CSarifWriter::EncodePath(CFindingFormat::PageName(page))
        : page.GetFullURL();
    if (finding.nLine > 0)
        physical["region"] = {{"startLine", finding.nLine}, {"startColumn", finding.nColumn}};
    return location;
}

const char* RuleId(const CLink& link)
{
    const auto* pWeb = dynamic_cast<const CWebLink*>(&link);
    if (pWeb && pWeb->GetFragmentOutcome() == EFragment::MISSING)
        return FRAGMENT_RULE;
    switch (link.GetVerdict()) {
    case EVerdict::BLOCKED: return "blocked-link";
    case EVerdict::TRANSIENT: return "transient-link";
    default: return BROKEN_RULE;
    }
}

json Result(const CFindingFormat::SFinding& finding, const CCrawlSummary& summary)
{
    json result;
    result["ruleId"] = RuleId(*finding.pLink);
    result["level"] = summary.IsWarning(*finding.pLink) ? "warning" : "error";
    result["message"]["text"] = finding.pLink->GetFullURL() + ": " + CFindingFormat::StatusMessage(*finding.pLink);
    result["locations"] = json::array();
    if (finding.pPage != nullptr)
        result["locations"].push_back(Location(finding));
    return result;
}

} // namespace

std::string CSarifWriter::EncodePath(const std::string& str)
{
    std::string strEncoded;
    for (char ch : str) {
        const auto nByte = static_cast<unsigned char>(ch);
        const bool bPlain = (nByte >= 'a' && nByte <= 'z') || (nByte >= 'A' && nByte <= 'Z')
            || (nByte >= '0' && nByte <= '9') || ch == '-' || ch == '.' || ch == '_' || ch == '~' || ch == '/';
        if (bPlain) {
            strEncoded += ch;
        } else {
            char szEscape[4];
            std::snprintf(szEscape, sizeof szEscape, "%%%02X", nByte);
            strEncoded += szEscape;
        }
    }
    return strEncoded;
}

void CSarifWriter::Write(std::ostream& out) const
{
    json run;
    run["tool"]["driver"] = {{"name", "Lintrel"}, {"version", m_summary.m_strVersion},
        {"rules", Rules(m_summary.m_bVerdicts, m_summary.m_bFragments)}};
    run["columnKind"] = "unicodeCodePoints";
    json& results = run["results"] = json::array();
    for (const SFinding& finding : Findings())
        results.push_back(Result(finding, m_summary));
    json document;
    document["$schema"] = "https://json.schemastore.org/sarif-2.1.0.json";
    document["version"] = "2.1.0";
    document["runs"] = json::array({run});
    out << document.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}
