#include "cli/OutputChoice.h"

#include "report/GithubWriter.h"
#include "report/JUnitWriter.h"
#include "report/JsonWriter.h"
#include "report/MarkdownWriter.h"
#include "report/SarifWriter.h"
#include "report/TableWriter.h"
#include "report/TsvWriter.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>

namespace {

const char* const DEFAULT_FORMAT = "table";

} // namespace

void COutputChoice::Declare(CLI::App& app)
{
    app.add_option("--format", m_strFormat,
           "write the links as table (the default), tsv, json, sarif, junit, markdown or github")
        ->option_text("FMT")
        ->check(CLI::IsMember({"table", "tsv", "json", "sarif", "junit", "markdown", "github"}));
    CLI::Option* pTsv = app.add_flag("--tsv", m_bTsv, "the same as --format tsv");
    app.add_flag("--json", m_bJson, "the same as --format json; bytes that are not UTF-8 are written as U+FFFD")
        ->excludes(pTsv);
    app.add_option("-O,--output", m_strOutput, "write the links to FILE instead of stdout, replacing it whole")
        ->option_text("FILE");
}

std::optional<std::string> COutputChoice::Check(const CLI::App& app)
{
    const char* pszSynonym = m_bTsv ? "tsv" : m_bJson ? "json" : nullptr;
    if (pszSynonym != nullptr) {
        if (!m_strFormat.empty() && m_strFormat != pszSynonym)
            return "--" + std::string(pszSynonym) + " and --format " + m_strFormat + " exclude each other";
        m_strFormat = pszSynonym;
    }
    if (m_strFormat.empty())
        m_strFormat = DEFAULT_FORMAT;
    if (app.count("--output") != 0 && m_strOutput.empty())
        return "--output needs a file name";
    return std::nullopt;
}

std::unique_ptr<CReportFormat> COutputChoice::MakeFormat(
    const CLinkArray& links, const CCrawlSummary& summary, bool bOnlyBad) const
{
    if (m_strFormat == "tsv")
        return std::make_unique<CTsvWriter>(links, summary, bOnlyBad);
    if (m_strFormat == "json")
        return std::make_unique<CJsonWriter>(links, summary, bOnlyBad);
    if (m_strFormat == "sarif")
        return std::make_unique<CSarifWriter>(links, summary);
    if (m_strFormat == "junit")
        return std::make_unique<CJUnitWriter>(links, summary);
    if (m_strFormat == "markdown")
        return std::make_unique<CMarkdownWriter>(links, summary);
    if (m_strFormat == "github")
        return std::make_unique<CGithubWriter>(links, summary);
    return std::make_unique<CTableWriter>(links, summary, bOnlyBad);
}

bool COutputChoice::Write(const CReportFormat& format, std::ostream& out, std::string& strReason) const
{
    if (!m_strOutput.empty())
        return format.Save(m_strOutput, strReason);
    errno = 0;
    format.Write(out);
    out.flush();
    // A reader that has gone (| head) wanted no more; any other failure is news.
    if (!out && errno != EPIPE) {
        strReason = std::strerror(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}
