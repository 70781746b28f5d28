#include "cli/RowPrinter.h"

#include "cli/CrawlSummary.h"
#include "link/Link.h"
#include "link/LinkArray.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Wider cells still print whole; they only stop widening the column.
constexpr std::size_t MAX_COLUMN = 60;

std::string ReferrerText(const CLink& link)
{
    return link.GetReferrer() ? link.GetReferrer()->GetFullURL() : std::string();
}

std::string StatusCell(const CLink& link)
{
    if (link.GetStatusCode() == -1)
        return "(not checked)";
    std::string strText = link.GetStatusText();
    return strText.empty() ? std::to_string(link.GetStatusCode()) : strText;
}

using CRow = std::array<std::string, 3>;

void WriteCells(std::ostream& out, const CRow& row, const std::array<std::size_t, 2>& widths)
{
    for (std::size_t i = 0; i < 2; ++i) {
        out << row[i];
        out << std::string(row[i].size() < widths[i] ? widths[i] - row[i].size() : 0, ' ') << "  ";
    }
    out << row[2] << '\n';
}

// Pages and servers may send any bytes; U+FFFD keeps the place of each one
// that is not UTF-8 (where dropping it could make two URLs look alike), and
// dump's default would throw instead.
std::string JsonText(const nlohmann::ordered_json& value)
{
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

nlohmann::ordered_json JsonRow(const CLink& link)
{
    nlohmann::ordered_json row;
    row["referrer"] = link.GetReferrer() ? nlohmann::ordered_json(link.GetReferrer()->GetFullURL()) : nullptr;
    row["link"] = link.GetFullURL();
    row["status_code"] = link.GetStatusCode();
    row["status_text"] = link.GetStatusText();
    return row;
}

nlohmann::ordered_json JsonSummary(const CCrawlSummary& summary)
{
    nlohmann::ordered_json object;
    object["links"] = summary.m_nLinks;
    object["good"] = summary.m_nGood;
    object["bad"] = summary.m_nBad;
    object["unchecked"] = summary.m_nUnchecked;
    object["pages_fetched"] = summary.m_nPages;
    object["elapsed_seconds"] = std::round(summary.m_dElapsedSeconds * 1000) / 1000;
    if (summary.m_strTruncatedBy.empty())
        object["truncated_by"] = nullptr;
    else
        object["truncated_by"] = summary.m_strTruncatedBy;
    return object;
}

} // namespace

CRowPrinter::CRowPrinter(const CLinkArray& links, bool bOnlyBad)
{
    for (int nPos = 1; nPos <= links.GetSize(); ++nPos) {
        const CLink* pLink = links.GetAt(nPos);
        if (!bOnlyBad || !pLink->HasGoodStatus())
            m_rows.push_back(pLink);
    }
}

void CRowPrinter::WriteTsv(std::ostream& out) const
{
    for (const CLink* pLink : m_rows) {
        out << CleanTsvField(ReferrerText(*pLink)) << '\t' << CleanTsvField(pLink->GetFullURL()) << '\t'
            << pLink->GetStatusCode() << '\t' << CleanTsvField(pLink->GetStatusText()) << '\n';
    }
}

// Row by row rather than one document in memory, one row a line, so a
// large crawl costs no second copy and the output still greps.
void CRowPrinter::WriteJson(std::ostream& out, const CCrawlSummary& summary) const
{
    out << "{\n  \"rows\": [";
    const char* pszSeparator = "\n    ";
    for (const CLink* pLink : m_rows) {
        out << pszSeparator << JsonText(JsonRow(*pLink));
        pszSeparator = ",\n    ";
    }
    out << (m_rows.empty() ? "]" : "\n  ]") << ",\n  \"summary\": " << JsonText(JsonSummary(summary)) << "\n}\n";
}

void CRowPrinter::WriteTable(std::ostream& out) const
{
    std::vector<CRow> rows;
    rows.push_back({"Referring Page", "Link", "Status"});
    for (const CLink* pLink : m_rows) {
        std::string strReferrer = ReferrerText(*pLink);
        rows.push_back({Printable(strReferrer.empty() ? "-" : strReferrer), Printable(pLink->GetFullURL()),
            Printable(StatusCell(*pLink))});
    }
    std::array<std::size_t, 2> widths = {0, 0};
    for (const CRow& row : rows) {
        for (std::size_t i = 0; i < 2; ++i)
            widths[i] = std::max(widths[i], std::min(row[i].size(), MAX_COLUMN));
    }
    for (const CRow& row : rows)
        WriteCells(out, row, widths);
}

std::string CRowPrinter::CleanTsvField(const std::string& str)
{
    // Rows often go to a terminal too: an escape sequence from a server's
    // reason phrase must not reach it any more than a tab may split a field.
    return Printable(str);
}

std::string CRowPrinter::Printable(const std::string& str)
{
    std::string strClean = str;
    for (char& ch : strClean) {
        const auto nByte = static_cast<unsigned char>(ch);
        if (nByte < 0x20 || nByte == 0x7f)
            ch = ' ';
    }
    return strClean;
}
