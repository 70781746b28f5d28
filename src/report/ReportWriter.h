#pragma once

#include "report/ReportFormat.h"

#include <ostream>
#include <string>

/// The HTML report of a crawl: one table row per record of the link array,
/// in array order, whether shown, checked or not.
class CReportWriter : public CReportFormat {
public:
    CReportWriter(const CLinkArray& links, const CCrawlSummary& summary);

    /// Writes the report text to out, lines ending in LF.
    void Write(std::ostream& out) const override;

    /// str with &, <, > and " written as character references, so a URL
    /// or a server's reason phrase cannot add markup to the report.
    static std::string Escape(const std::string& str);

private:
    void WriteRow(std::ostream& out, int nPos) const;
};
