#pragma once

#include "report/ReportFormat.h"

#include <cstddef>
#include <string>
#include <vector>

class CLink;

/// What the row formats share: a crawl's links as rows, in the order found,
/// every record or only those without a good status.
class CRowPrinter : public CReportFormat {
public:
    CRowPrinter(const CLinkArray& links, const CCrawlSummary& summary, bool bOnlyBad);

    std::size_t GetRowCount() const { return m_rows.size(); }

    /// A field with each control character (tab, CR and LF among them)
    /// written as one space.
    static std::string CleanTsvField(const std::string& str);
    /// str with every control character written as a space, so a page or a
    /// server cannot drive the terminal.
    static std::string Printable(const std::string& str);

protected:
    /// The referring page's full URL; empty when the link has none.
    static std::string ReferrerText(const CLink& link);

    std::vector<const CLink*> m_rows;
};
