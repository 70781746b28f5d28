#pragma once

#include "report/CrawlSummary.h"

#include <ostream>
#include <string>

class CLinkArray;

/// One way of writing a finished crawl's links. Every format takes the same
/// input: the link array, in the order found, and the crawl's summary. Reads
/// the array it is given, which must outlive it.
class CReportFormat {
public:
    CReportFormat(const CLinkArray& links, const CCrawlSummary& summary);
    virtual ~CReportFormat() = default;

    /// Writes the whole text to out, lines ending in LF.
    virtual void Write(std::ostream& out) const = 0;
    /// Writes the text to strPath through a temporary file beside it,
    /// renamed into place only when complete. On failure returns false with
    /// strReason set; an existing file at strPath is then left untouched.
    bool Save(const std::string& strPath, std::string& strReason) const;

protected:
    const CLinkArray& m_links;
    const CCrawlSummary m_summary;
};
