#include "cli/RunCli.h"

#include "cache/ResultCache.h"
#include "classic/ClassicMode.h"
#include "cli/CliFrontEnd.h"
#include "cli/CliMessage.h"
#include "cli/CliOptions.h"
#include "cli/ParseCliOptions.h"
#include "cli/StartURLs.h"
#include "crawl/Crawler.h"
#include "crawl/LinkFilter.h"
#include "link/Link.h"
#include "modern/ModernMode.h"
#include "modern/PageFolder.h"
#include "report/CrawlSummary.h"
#include "report/ReportWriter.h"

#include <Version.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

STransferOptions MakeModernTransfer(const CCliOptions& options);

// The start pages: the start URLs, the one --file, or every page of the
// --file folder.
std::optional<int> ListStartPages(
    const CCliOptions& options, const std::string& strStart, SStartURLs& start, std::ostream& err)
{
    std::vector<std::string>& pages = start.urls;
    if (options.strFile.empty())
        return GatherStartURLs(options, MakeModernTransfer(options), start, err);
    if (!options.bFolder) {
        pages.push_back(strStart);
        return std::nullopt;
    }
    for (const std::string& strPath : CPageFolder::ListPages(options.strFile))
        pages.push_back("file://" + strPath);
    if (pages.empty()) {
        err << PROGRAM << ": no *.html or *.htm file under " << Abbreviate(options.strFile) << '\n';
        return EXIT_CANNOT_RUN;
    }
    return std::nullopt;
}

// The patterns of --exclude and --include, or the exit status of a bad one.
std::optional<int> MakeLinkFilter(const CCliOptions& options, CLinkFilter& filter, std::ostream& err)
{
    std::string strError;
    for (const std::string& strPattern : options.excludes) {
        if (!filter.AddExclude(strPattern, strError)) {
            err << PROGRAM << ": bad --exclude pattern " << Abbreviate(strPattern) << ": " << strError << MORE_HELP;
            return EXIT_CANNOT_RUN;
        }
    }
    for (const std::string& strPattern : options.includes) {
        if (!filter.AddInclude(strPattern, strError)) {
            err << PROGRAM << ": bad --include pattern " << Abbreviate(strPattern) << ": " << strError << MORE_HELP;
            return EXIT_CANNOT_RUN;
        }
    }
    return std::nullopt;
}

// Empty when a relative --file cannot be made absolute (the current folder
// is gone); strReason then says why.
std::string StartURL(const CCliOptions& options, std::string& strReason)
{
    if (options.strFile.empty())
        return options.strURL;
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(options.strFile, error);
    if (error) {
        strReason = error.message();
        return std::string();
    }
    return "file://" + path.string();
}

// The option that names the bound, without its dashes.
std::string TruncationName(SCrawlResult::EBound bound)
{
    switch (bound) {
    case SCrawlResult::EBound::MAX_PAGES: return "max-pages";
    case SCrawlResult::EBound::MAX_DEPTH: return "max-depth";
    case SCrawlResult::EBound::NONE: break;
    }
    return std::string();
}

// One line when a bound kept pages from being fetched: the rows then cover
// only part of the site.
void ReportTruncation(const SCrawlResult& result, const CCliOptions& options, std::ostream& err)
{
    if (result.eTruncatedBy == SCrawlResult::EBound::MAX_PAGES)
        err << PROGRAM << ": --max-pages " << options.nMaxPages
            << " reached: further pages of the site were checked but not fetched\n";
    else if (result.eTruncatedBy == SCrawlResult::EBound::MAX_DEPTH)
        err << PROGRAM << ": --max-depth " << options.nMaxDepth
            << " reached: deeper pages of the site were checked but not fetched\n";
}

// What the crawl found, once it is over.
int Finish(const CCrawler& crawler, const SCrawlResult& result, const CCliOptions& options,
    const CCrawlSummary& summary, std::ostream& out, std::ostream& err)
{
    const CLinkArray& links = *crawler.GetLinks();
    std::string strWriteReason;
    if (!options.output.Write(*options.output.MakeFormat(links, summary, options.bOnlyBad), out, strWriteReason)) {
        err << PROGRAM << ": the rows were not written: " << Abbreviate(strWriteReason) << '\n';
        return EXIT_CANNOT_RUN;
    }
    ReportTruncation(result, options, err);
    if (!result.strRobotsFailure.empty())
        err << PROGRAM << ": " << Abbreviate(result.strRobotsFailure) << "; no further page was fetched\n";
    if (crawler.m_bStop)
        err << PROGRAM << ": stopped; " << summary.m_nUnchecked << " links were not checked\n";
    if (!options.strReport.empty()) {
        std::string strReason;
        if (!CReportWriter(links, summary).Save(options.strReport, strReason)) {
            err << PROGRAM << ": the report was not written: " << Abbreviate(strReason) << '\n';
            return EXIT_CANNOT_RUN;
        }
    }
    return summary.HasFailure(links) ? EXIT_SOME_BAD : EXIT_ALL_GOOD;
}

STransferOptions MakeModernTransfer(const CCliOptions& options)
{
    STransferOptions transfer = CModernMode::MakeTransferOptions(LINTREL_VERSION);
    options.request.Apply(transfer, options.strURL);
    transfer.strCABundle = options.strCABundle;
    if (!options.strUserAgent.empty())
        transfer.strUserAgent = options.strUserAgent;
    transfer.nMaxPerSecond = options.nRate;
    transfer.nMaxRetryAfterPause = options.policy.nMaxRetryWait;
    if (options.bHttp11)
        transfer.eHttpVersion = STransferOptions::EHttpVersion::HTTP1_1;
    return transfer;
}

// The changed paths against the --file folder and every --map folder;
// inactive when none were given.
CChangeFilter MakeChangeFilter(const CCliOptions& options)
{
    CChangeFilter changes;
    if (!options.bChanges)
        return changes;
    std::vector<std::string> folders;
    std::error_code error;
    if (options.bFolder)
        folders.push_back(std::filesystem::absolute(options.strFile, error).lexically_normal().string());
    for (const CPathMap::SEntry& entry : options.pathMap.GetEntries())
        folders.push_back(entry.strFolder);
    changes.SetChanges(folders, options.changed);
    return changes;
}

void UseModernMode(CCrawler& crawler, const CCliOptions& options, CResultStore* pStore, const SStartURLs& start)
{
    auto pMode = std::make_unique<CModernMode>(options.policy);
    if (start.bListFailures)
        pMode->ListFailedStartPages(start.referrers);
    pMode->SetObeyRobots(!options.bNoRobots);
    pMode->SetFragmentChecks(!options.bNoFragments);
    // A page given as a file, alone or in a folder, has its relative links checked as files.
    pMode->SetLocalLinks(!options.strFile.empty());
    pMode->SetPathMap(options.pathMap);
    pMode->SetChangeFilter(MakeChangeFilter(options));
    pMode->SetResultStore(pStore);
    crawler.SetMode(std::move(pMode));
    crawler.SetTransferOptions(MakeModernTransfer(options));
}

// The cache --cache names, opened; the exit status when the run ends here.
// A cache locked past its time-out is done without, and said so.
std::optional<int> OpenCache(const CCliOptions& options, std::unique_ptr<CResultCache>& pCache, std::ostream& err)
{
    if (options.strCache.empty())
        return std::nullopt;
    pCache = std::make_unique<CResultCache>(
        CResultCache::MakeFingerprint(MakeModernTransfer(options)), *CResultCache::ParseAge(options.strCacheAge));
    std::string strReason;
    switch (pCache->Open(options.strCache, strReason)) {
    case CResultCache::EOpen::OPENED: return std::nullopt;
    case CResultCache::EOpen::REFUSED:
        err << PROGRAM << ": cannot use " << Abbreviate(options.strCache) << " as the cache: " << strReason
            << "; it was left as it was\n";
        return EXIT_CANNOT_RUN;
    case CResultCache::EOpen::UNAVAILABLE: break;
    }
    err << PROGRAM << ": the cache " << Abbreviate(options.strCache) << " is not available (" << strReason
        << "); the crawl goes on without it\n";
    pCache.reset();
    return std::nullopt;
}

// The default rules, with what the requests carry.
void UseClassicMode(CCrawler& crawler, const CCliOptions& options)
{
    STransferOptions transfer;
    options.request.Apply(transfer, options.strURL);
    crawler.SetMode(std::make_unique<CClassicMode>());
    crawler.SetTransferOptions(transfer);
}

// Once: the https links the pages named that this mode left unchecked.
void ReportUncheckedSecureLinks(const SCrawlResult& result, std::ostream& err)
{
    const std::size_t nSecure = result.nUncheckedSecureLinks;
    if (nSecure == 0)
        return;
    err << PROGRAM << ": " << nSecure << (nSecure == 1 ? " https link was" : " distinct https links were")
        << " not checked; --modern checks them\n";
}

int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool bProgress)
{
    CCliOptions options;
    if (std::optional<int> nExit = ParseCliOptions(argc, argv, options, out, err))
        return *nExit;
    std::string strReason;
    const std::string strStart = StartURL(options, strReason);
    if (strStart.empty() && !options.strFile.empty()) {
        err << PROGRAM << ": cannot read " << Abbreviate(options.strFile) << ": the current folder is not available ("
            << strReason << ")\n";
        return EXIT_CANNOT_RUN;
    }
    // Declared before the crawl, whose mode reads it to the end.
    std::unique_ptr<CResultCache> pCache;
    if (std::optional<int> nExit = OpenCache(options, pCache, err))
        return *nExit;
    CLinkFilter filter;
    if (std::optional<int> nExit = MakeLinkFilter(options, filter, err))
        return *nExit;
    SStartURLs startPages;
    if (std::optional<int> nExit = ListStartPages(options, strStart, startPages, err))
        return *nExit;
    CCliFrontEnd frontEnd(err, bProgress);
    CCrawler crawler(&frontEnd, options.bRecursive, options.bExploreCgi);
    crawler.SetLinkFilter(std::move(filter));
    crawler.SetRequestLimits(options.nJobs, options.nPerHost);
    crawler.SetPageLimits(options.nMaxPages, options.nMaxDepth);
    if (options.bModern)
        UseModernMode(crawler, options, pCache.get(), startPages);
    else
        UseClassicMode(crawler, options);
    if (pCache)
        frontEnd.SetIdleTask([&pCache] { pCache->Tick(); });
    frontEnd.SetCrawler(&crawler);
    if (!crawler.Init(&frontEnd, startPages.urls)) {
        err << PROGRAM << ": the crawl could not start: the network library is not available\n";
        return EXIT_CANNOT_RUN;
    }
    const auto start = std::chrono::steady_clock::now();
    crawler.Crawl();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    frontEnd.EndProgress();
    if (pCache) {
        pCache->Close();
        if (!pCache->GetTrouble().empty())
            err << PROGRAM << ": " << pCache->GetTrouble() << '\n';
    }
    if (!frontEnd.GetStartError().empty() && !startPages.bListFailures) {
        err << PROGRAM << ": cannot read " << Abbreviate(strStart) << ": " << frontEnd.GetStartError() << '\n';
        return EXIT_CANNOT_RUN;
    }
    const SCrawlResult result = crawler.GetResult();
    ReportUncheckedSecureLinks(result, err);
    CCrawlSummary summary(*crawler.GetLinks(), frontEnd.GetPageCount(), elapsed.count());
    summary.m_strTruncatedBy = TruncationName(result.eTruncatedBy);
    summary.m_bVerdicts = result.bVerdicts;
    summary.m_bFragments = result.bFragments;
    summary.m_bRobotsCounted = result.bRobotsCounted;
    summary.m_nRobotsSkipped = static_cast<int>(result.nRobotsSkipped);
    summary.m_bCacheUsed = !options.strCache.empty();
    summary.m_bStrict = options.bStrict;
    summary.m_bFiltered = result.bFiltered;
    summary.m_nExcluded = static_cast<int>(result.nExcluded);
    summary.m_strVersion = LINTREL_VERSION;
    summary.m_bChangesOnly = result.bChangesOnly;
    summary.m_nPagesRead = frontEnd.GetReadCount();
    summary.m_nLinksChecked = summary.m_nGood + summary.m_nBad;
    return Finish(crawler, result, options, summary, out, err);
}

} // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool bProgress)
{
    try {
        return Run(argc, argv, out, err, bProgress);
    } catch (const std::exception& e) {
        // Nothing may end the program unexplained, not even a lack of memory.
        err << PROGRAM << ": " << e.what() << '\n';
        return EXIT_CANNOT_RUN;
    }
}
