#include "report/TableWriter.h"

#include "link/Link.h"
#include "link/LinkArray.h"

#include <algorithm>
#include <array>

namespace {

// Wider cells still print whole; they only stop widening the column.
constexpr std::size_t MAX_COLUMN = 60;

std::string StatusCell(const CLink& link)
{
    if (!link.IsChecked())
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

} // namespace

void CTableWriter::Write(std::ostream& out) const
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
    out << m_rows.size() << (m_rows.size() == 1 ? " link" : " links") << " listed of " << m_links.GetSize() << " found";
    if (m_summary.m_bFiltered)
        out << ", " << m_summary.m_nExcluded << " excluded";
    if (m_summary.m_bChangesOnly)
        out << "; " << m_summary.m_nPagesRead << (m_summary.m_nPagesRead == 1 ? " page" : " pages") << " read, "
            << m_summary.m_nLinksChecked << (m_summary.m_nLinksChecked == 1 ? " link" : " links") << " checked";
    out << ".\n";
}
