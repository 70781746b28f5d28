#include "cli/RunCli.h"

#include "cli/CliFrontEnd.h"
#include "cli/CliInterrupt.h"
#include "cli/RowPrinter.h"
#include "crawl/Crawler.h"
#include "crawl/ReportWriter.h"
#include "link/Link.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <optional>

namespace {

const char* const PROGRAM = "lintrel-cli";
// More would only open more sockets than a loopback or any real server
// serves faster.
constexpr int MAX_JOBS = 256;
constexpr int MAX_PER_HOST = 256;

struct CCliOptions {
    std::string strURL;
    std::string strFile;
    std::string strReport;
    bool bRecursive = false;
    bool bExploreCgi = false;
    bool bOnlyBad = false;
    bool bTsv = false;
    int nJobs = CCrawler::DEFAULT_JOBS;
    int nPerHost = CCrawler::DEFAULT_PER_HOST;
};

void DeclareOptions(CLI::App& app, CCliOptions& options)
{
    app.add_option("URL", options.strURL, "start URL, used exactly as given");
    app.add_option("--file", options.strFile, "start from a local HTML file (file:// and its absolute path)")
        ->option_text("PATH");
    app.add_flag("-r,--recursive", options.bRecursive, "follow same-site pages (\"Do Resursive Search\")");
    app.add_flag("-c,--explore-cgi", options.bExploreCgi, "also follow script-like addresses (\"Explore CGI URLs\")");
    app.add_flag("-b,--only-bad", options.bOnlyBad, "list only links without a good status (\"Show only Bad URLs\")");
    app.add_option("-o,--report", options.strReport, "write the HTML report of ALL links to FILE when the crawl ends")
        ->option_text("FILE");
    app.add_flag("--tsv", options.bTsv, "rows as tab-separated fields");
    app.add_option("-j,--jobs", options.nJobs, "requests in flight at once; 1 sends one after another (the results are the same)")
        ->option_text("N (default " + std::to_string(CCrawler::DEFAULT_JOBS) + ")")
        ->check(CLI::Range(1, MAX_JOBS));
    app.add_option("--per-host", options.nPerHost, "connections to one host at once")
        ->option_text("M (default " + std::to_string(CCrawler::DEFAULT_PER_HOST) + ")")
        ->check(CLI::Range(1, MAX_PER_HOST));
    app.set_version_flag("--version", LINTREL_VERSION);
}

// The options, or the exit status when the command line ends here.
std::optional<int> ParseOptions(int argc, const char* const* argv, CCliOptions& options, std::ostream& out,
    std::ostream& err)
{
    CLI::App app("Checks the links of a web page or a local HTML file.", PROGRAM);
    DeclareOptions(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return EXIT_ALL_GOOD;
    } catch (const CLI::CallForVersion&) {
        out << LINTREL_VERSION << '\n';
        return EXIT_ALL_GOOD;
    } catch (const CLI::ParseError& e) {
        err << PROGRAM << ": " << e.what() << "\nRun with --help for more information.\n";
        return EXIT_CANNOT_RUN;
    }
    const bool bHasURL = app.count("URL") != 0;
    const bool bHasFile = app.count("--file") != 0;
    if (bHasURL == bHasFile || (bHasFile && options.strFile.empty())) {
        err << PROGRAM << ": give either a URL or --file PATH\nRun with --help for more information.\n";
        return EXIT_CANNOT_RUN;
    }
    return std::nullopt;
}

std::string StartURL(const CCliOptions& options)
{
    if (options.strFile.empty())
        return options.strURL;
    return "file://" + std::filesystem::absolute(options.strFile).string();
}

bool AllGood(const CLinkArray& links)
{
    for (int nPos = 1; nPos <= links.GetSize(); ++nPos) {
        if (!links.GetAt(nPos)->HasGoodStatus())
            return false;
    }
    return true;
}

int CountUnchecked(const CLinkArray& links)
{
    int nUnchecked = 0;
    for (int nPos = 1; nPos <= links.GetSize(); ++nPos)
        nUnchecked += links.GetAt(nPos)->GetStatusCode() == -1 ? 1 : 0;
    return nUnchecked;
}

void WriteRows(const CLinkArray& links, const CCliOptions& options, std::ostream& out)
{
    CRowPrinter printer(links, options.bOnlyBad);
    if (options.bTsv) {
        printer.WriteTsv(out);
        return;
    }
    printer.WriteTable(out);
    out << printer.GetRowCount() << (printer.GetRowCount() == 1 ? " link" : " links") << " listed of "
        << links.GetSize() << " found.\n";
}

// What the crawl found, once it is over.
int Finish(const CCrawler& crawler, const CCliOptions& options, std::ostream& out, std::ostream& err)
{
    const CLinkArray& links = *crawler.GetLinks();
    WriteRows(links, options, out);
    out.flush();
    if (crawler.m_bStop)
        err << PROGRAM << ": stopped; " << CountUnchecked(links) << " links were not checked\n";
    if (!options.strReport.empty()) {
        std::string strReason;
        if (!CReportWriter(links).Save(options.strReport, strReason)) {
            err << PROGRAM << ": the report was not written: " << strReason << '\n';
            return EXIT_CANNOT_RUN;
        }
    }
    return AllGood(links) ? EXIT_ALL_GOOD : EXIT_SOME_BAD;
}

} // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool bProgress)
{
    CCliOptions options;
    if (std::optional<int> nExit = ParseOptions(argc, argv, options, out, err))
        return *nExit;
    const std::string strStart = StartURL(options);
    CCliFrontEnd frontEnd(err, bProgress);
    CCrawler crawler(&frontEnd, options.bRecursive, options.bExploreCgi);
    crawler.SetRequestLimits(options.nJobs, options.nPerHost);
    frontEnd.SetCrawler(&crawler);
    if (!crawler.Init(&frontEnd, strStart)) {
        err << PROGRAM << ": the crawl could not start: the network library is not available\n";
        return EXIT_CANNOT_RUN;
    }
    crawler.Crawl();
    frontEnd.EndProgress();
    if (!frontEnd.GetStartError().empty()) {
        err << PROGRAM << ": cannot read " << strStart << ": " << frontEnd.GetStartError() << '\n';
        return EXIT_CANNOT_RUN;
    }
    return Finish(crawler, options, out, err);
}
