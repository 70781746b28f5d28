#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace CLI {
class App;
}
class CLinkArray;
class CCrawlSummary;
class CReportFormat;

/// The format the links are written in (--format, --tsv, --json) and where
/// to (stdout, or the file of -O).
class COutputChoice {
public:
    /// Adds --format, -O and their synonyms to app; the values land here.
    void Declare(CLI::App& app);
    /// After parsing: a usage error's message when the choices conflict or
    /// name no format; nothing when they are fine.
    std::optional<std::string> Check(const CLI::App& app);
    /// The chosen writer over links; bOnlyBad narrows the row formats.
    std::unique_ptr<CReportFormat> MakeFormat(
        const CLinkArray& links, const CCrawlSummary& summary, bool bOnlyBad) const;
    /// Writes format to the -O file, or else to out. On failure returns false
    /// with strReason set.
    bool Write(const CReportFormat& format, std::ostream& out, std::string& strReason) const;

private:
    std::string m_strFormat;
    std::string m_strOutput;
    bool m_bTsv = false;
    bool m_bJson = false;
};
