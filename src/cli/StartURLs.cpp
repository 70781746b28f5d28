#include "cli/StartURLs.h"

#include "cli/CliMessage.h"
#include "cli/CliOptions.h"
#include "cli/RunCli.h"
#include "modern/SitemapLoader.h"
#include "net/InternetException.h"
#include "net/InternetSession.h"
#include "net/TransferOptions.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <set>

namespace {

// Far beyond any list of entry points; a bound, so a wrong path (a log, a
// device) cannot fill the memory.
constexpr std::size_t MAX_LIST = std::size_t {64} << 20;

// One URL a line; a line starting with # is a comment, blanks around a URL
// are dropped, and CR LF is one line break.
std::vector<std::string> ReadList(std::istream& in)
{
    std::vector<std::string> urls;
    std::size_t nRead = 0;
    for (std::string strLine; nRead < MAX_LIST && std::getline(in, strLine);) {
        nRead += strLine.size() + 1;
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        if (strLine.empty() || strLine.front() == '#')
            continue;
        const std::size_t nStart = strLine.find_first_not_of(" \t");
        if (nStart == std::string::npos)
            continue;
        urls.push_back(strLine.substr(nStart, strLine.find_last_not_of(" \t") + 1 - nStart));
    }
    return urls;
}

std::optional<int> ReadUrlsFrom(const std::string& strPath, std::vector<std::string>& urls, std::ostream& err)
{
    if (strPath == "-") {
        urls = ReadList(std::cin);
        return std::nullopt;
    }
    std::ifstream file(strPath, std::ios::binary);
    if (!file) {
        err << PROGRAM << ": cannot read the --urls-from file " << Abbreviate(strPath) << ": "
            << std::strerror(errno != 0 ? errno : ENOENT) << '\n';
        return EXIT_CANNOT_RUN;
    }
    urls = ReadList(file);
    return std::nullopt;
}

std::optional<int> ReadSitemaps(const CCliOptions& options, CSitemapLoader& loader, std::ostream& err)
{
    for (const std::string& strSitemap : options.sitemaps) {
        std::vector<std::string> sources = {strSitemap};
        if (strSitemap == "robots") {
            sources = loader.ListRobotsSitemaps(options.strURL);
            if (sources.empty())
                err << PROGRAM << ": the robots.txt of " << Abbreviate(options.strURL) << " names no sitemap\n";
        }
        for (const std::string& strSource : sources) {
            std::string strProblem;
            if (!loader.Load(strSource, strProblem)) {
                err << PROGRAM << ": cannot read the sitemap " << Abbreviate(strSource) << ": " << strProblem << '\n';
                return EXIT_CANNOT_RUN;
            }
        }
    }
    for (const std::string& strNote : loader.GetNotes())
        err << PROGRAM << ": " << Abbreviate(strNote) << '\n';
    return std::nullopt;
}

// The session sitemaps are fetched through, as the crawl's requests go out.
std::unique_ptr<CInternetSession> OpenSession(const STransferOptions& transfer)
{
    try {
        auto pSession = std::make_unique<CInternetSession>();
        pSession->SetTransferOptions(transfer);
        return pSession;
    } catch (const CInternetException&) {
        return nullptr;
    }
}

} // namespace

std::optional<int> GatherStartURLs(
    const CCliOptions& options, const STransferOptions& transfer, SStartURLs& start, std::ostream& err)
{
    std::vector<std::string> urls = options.urls;
    std::vector<std::string> listed;
    if (!options.strUrlsFrom.empty()) {
        if (std::optional<int> nExit = ReadUrlsFrom(options.strUrlsFrom, listed, err))
            return nExit;
        urls.insert(urls.end(), listed.begin(), listed.end());
    }
    std::set<std::string> seen;
    for (std::string& strURL : urls)
        if (seen.insert(strURL).second)
            start.urls.push_back(std::move(strURL));
    if (!options.sitemaps.empty()) {
        std::unique_ptr<CInternetSession> pSession = OpenSession(transfer);
        CSitemapLoader loader(pSession.get());
        if (std::optional<int> nExit = ReadSitemaps(options, loader, err))
            return nExit;
        for (const CSitemapLoader::SEntry& entry : loader.GetEntries()) {
            if (!seen.insert(entry.strURL).second)
                continue;
            start.urls.push_back(entry.strURL);
            start.referrers.emplace(entry.strURL, entry.strSitemap);
        }
    }
    if (start.urls.empty()) {
        err << PROGRAM << ": no start URL: the list and the sitemaps named none\n";
        return EXIT_CANNOT_RUN;
    }
    start.bListFailures = start.urls.size() > 1 || !options.sitemaps.empty();
    return std::nullopt;
}
