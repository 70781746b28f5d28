#pragma once

#include <ostream>
#include <string>

class CLinkArray;

/// The HTML report of a crawl: one table row per record of the link array,
/// in array order, whether shown, checked or not. Reads the array it is
/// given, which must outlive it.
class CReportWriter {
public:
    explicit CReportWriter(const CLinkArray& links);

    /// Writes the report text to out, lines ending in LF.
    void Write(std::ostream& out) const;
    /// Writes the report to strPath through a temporary file beside it,
    /// renamed into place only when complete. On failure returns false with
    /// strReason set; an existing file at strPath is then left untouched.
    bool Save(const std::string& strPath, std::string& strReason) const;

    /// str with &, <, > and " written as character references, so a URL
    /// or a server's reason phrase cannot add markup to the report.
    static std::string Escape(const std::string& str);

private:
    void WriteRow(std::ostream& out, int nPos) const;

    const CLinkArray& m_links;
};
