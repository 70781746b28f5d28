#pragma once

#include <ostream>
#include <string>
#include <vector>

class CCrawlSummary;
class CLink;
class CLinkArray;

/// Writes a crawl's links as rows, in the order found: every record, or
/// only those without a good status. Reads records it does not own.
class CRowPrinter {
public:
    CRowPrinter(const CLinkArray& links, bool bOnlyBad);

    /// Referrer, link, status code and status text, tab-separated, one row
    /// per line.
    void WriteTsv(std::ostream& out) const;
    /// The window's three columns, aligned, under a heading.
    void WriteTable(std::ostream& out) const;
    /// One JSON document: the rows (referrer, null when none; link; status
    /// code, -1 when not checked; status text) and the summary. Bytes that
    /// are not UTF-8 are written as U+FFFD, so the document is always valid.
    void WriteJson(std::ostream& out, const CCrawlSummary& summary) const;
    std::size_t GetRowCount() const { return m_rows.size(); }

    /// A field with each control character (tab, CR and LF among them)
    /// written as one space.
    static std::string CleanTsvField(const std::string& str);
    /// str with every control character written as a space, so a page or a
    /// server cannot drive the terminal.
    static std::string Printable(const std::string& str);

private:
    std::vector<const CLink*> m_rows;
};
