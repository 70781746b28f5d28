#include "cli/ParseCliOptions.h"

#include "cache/ResultCache.h"
#include "cli/CliMessage.h"
#include "cli/ConfigFile.h"
#include "cli/RunCli.h"
#include "modern/AcceptedCodes.h"
#include "modern/PageFolder.h"

#include <Version.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// More would only open more sockets than a loopback or any real server
// serves faster.
constexpr int MAX_JOBS = 256;
constexpr int MAX_PER_HOST = 256;
constexpr int MAX_RATE = 1000;
// Far beyond any site a crawl should fetch whole, yet a bound a typing slip
// cannot make meaningless.
constexpr int MAX_PAGE_BOUND = 10000000;
// Far beyond what any server takes (8 KiB is usual), far below what would
// strain the crawl: every relative link of the page repeats it.
constexpr std::size_t MAX_URL = 65536;
const char* const DESCRIPTION = "Checks the links of a web page or a local HTML file.";
// Read when --config names no other file.
const char* const DEFAULT_CONFIG = "lintrel.toml";

// How hard the modern mode tries before a link's verdict stands.
void DeclareCheckOptions(CLI::App& app, CCliOptions& options)
{
    app.add_option("--retries", options.policy.nRetries,
           "ask a link again up to N times after a passing fault or a Retry-After (with --modern)")
        ->option_text("N (default " + std::to_string(SCheckPolicy::DEFAULT_RETRIES) + ")")
        ->check(CLI::Range(0, SCheckPolicy::MAX_RETRIES));
    app.add_option("--max-retry-wait", options.policy.nMaxRetryWait,
           "wait at most S seconds when a server asks for it; longer asks make the link blocked (with --modern)")
        ->option_text("S (default " + std::to_string(SCheckPolicy::DEFAULT_MAX_RETRY_WAIT) + ")")
        ->check(CLI::Range(0, SCheckPolicy::MAX_RETRY_WAIT));
    app.add_flag("--strict", options.bStrict, "blocked and transient links make the exit status 1 too (with --modern)");
    app.add_option("--accept", options.accepts,
           "count these final status codes as ok instead of 200-299, as codes and ranges such as 200-299,403,999; "
           "repeatable (with --modern)")
        ->option_text("CODES")
        ->allow_extra_args(false);
}

void DeclareOptions(CLI::App& app, CCliOptions& options)
{
    app.add_option(
        "URL", options.urls, "start URL, used exactly as given; with --modern, several, each with its own scope");
    app.add_option("--urls-from", options.strUrlsFrom,
           "start URLs from FILE, one a line (- for standard input; a # at a line's start makes a comment; with "
           "--modern)")
        ->option_text("FILE");
    app.add_option("--sitemap", options.sitemaps,
           "every URL of this sitemap or sitemap index (a URL or a file, gzip too) is a start URL; robots: the "
           "Sitemap lines of the start URL's robots.txt; repeatable (with --modern)")
        ->option_text("URL|FILE")
        ->allow_extra_args(false);
    app.add_option("--file", options.strFile,
           "start from a local HTML file (file:// and its absolute path); with --modern, every HTML file of a folder")
        ->option_text("PATH");
    app.add_flag("-r,--recursive", options.bRecursive, "follow same-site pages (\"Do Resursive Search\")");
    app.add_flag("-c,--explore-cgi", options.bExploreCgi, "also follow script-like addresses (\"Explore CGI URLs\")");
    app.add_flag("-b,--only-bad", options.bOnlyBad, "list only links without a good status (\"Show only Bad URLs\")");
    app.add_option("-o,--report", options.strReport, "write the HTML report of ALL links to FILE when the crawl ends")
        ->option_text("FILE");
    options.output.Declare(app);
    app.add_option("-j,--jobs", options.nJobs,
           "requests in flight at once; 1 sends one after another (the results are the same)")
        ->option_text("N (default " + std::to_string(CCrawler::DEFAULT_JOBS) + ")")
        ->check(CLI::Range(1, MAX_JOBS));
    app.add_option("--per-host", options.nPerHost, "connections to one host at once")
        ->option_text("M (default " + std::to_string(CCrawler::DEFAULT_PER_HOST) + ")")
        ->check(CLI::Range(1, MAX_PER_HOST));
    app.add_option("--max-pages", options.nMaxPages,
           "fetch at most N pages, the start page included; the links already found are still checked")
        ->option_text("N (default: no bound)")
        ->check(CLI::Range(1, MAX_PAGE_BOUND));
    app.add_option("--max-depth", options.nMaxDepth,
           "fetch no page more than D links away from the start page (depth 0); deeper ones are only checked")
        ->option_text("D (default: no bound)")
        ->check(CLI::Range(1, MAX_PAGE_BOUND));
    app.add_flag("-m,--modern", options.bModern,
        "check the site as a browser loads it: http and https links, every kind of link read with an HTML5 "
        "parser, links resolved as browsers resolve them");
    app.add_option("--cacert", options.strCABundle,
           "trust the certificate authorities in this PEM file instead of the system's (with --modern; "
           "CURL_CA_BUNDLE names one too)")
        ->option_text("FILE");
    app.add_flag("--http1.1", options.bHttp11,
        "speak HTTP/1.1 only; otherwise HTTP/2 is used where a server offers it (with --modern)");
    app.add_option("--user-agent", options.strUserAgent, "the User-Agent header sent (with --modern)")
        ->option_text(std::string("TEXT (default Lintrel/") + LINTREL_VERSION + ")");
    app.add_option("--rate", options.nRate, "start at most R requests to one host in any one second (with --modern)")
        ->option_text("R (default: no bound)")
        ->check(CLI::Range(1, MAX_RATE));
    app.add_flag("--no-robots", options.bNoRobots, "do not read or obey the site's robots.txt (with --modern)");
    app.add_flag("--no-fragments", options.bNoFragments,
        "do not check that a link's #fragment names an element of its page (with --modern)");
    app.add_option("--cache", options.strCache,
           "keep results in this SQLite file and reuse the good ones; pages are asked only whether they changed "
           "(with --modern)")
        ->option_text("FILE");
    app.add_option("--cache-age", options.strCacheAge,
           "reuse a good result younger than this: an integer and s, m, h or d (with --modern)")
        ->option_text("DURATION (default 1d)");
    DeclareCheckOptions(app, options);
    app.add_option("--exclude", options.excludes,
           "neither check nor list links whose URL REGEX matches anywhere (RE2 syntax; anchor with ^ and $); "
           "repeatable")
        ->option_text("REGEX")
        ->allow_extra_args(false);
    app.add_option(
           "--include", options.includes, "check and list only links whose URL matches one such REGEX; repeatable")
        ->option_text("REGEX")
        ->allow_extra_args(false);
    app.add_option("--map", options.maps,
           "check and read links that start with PREFIX from the files under DIR, sending them no request "
           "(with --modern); repeatable, the longest prefix wins")
        ->option_text("PREFIX=DIR")
        ->allow_extra_args(false);
    app.add_option("--changed", options.changed,
           "check and list only the links on this changed page and those anywhere to it when it was removed; "
           "relative to the --file folder or a --map folder; repeatable (with --modern)")
        ->option_text("PATH")
        ->allow_extra_args(false);
    app.add_option("--changed-from", options.strChangedFrom,
           "read --changed paths from FILE, one a line, as git diff --name-only writes them (with --modern)")
        ->option_text("FILE");
    app.add_option("--config", options.strConfig,
           "read settings from this TOML file, keys named as the long options (default: lintrel.toml in the "
           "current folder, when there is one); the command line's options win")
        ->option_text("FILE");
    options.request.Declare(app);
    app.set_version_flag("--version", LINTREL_VERSION);
    app.footer("Exit status: 0 when every link has a good status, 1 when any has not (or was not checked;\n"
               "with --modern, blocked and transient links only with --strict),\n"
               "2 for a usage error, a start page that cannot be read, or output that cannot be written.");
}

// The codes --accept names, into the check policy.
std::optional<int> CheckAcceptedCodes(CCliOptions& options, std::ostream& err)
{
    if (options.accepts.empty())
        return std::nullopt;
    std::string strBad;
    std::optional<CAcceptedCodes> accepted = CAcceptedCodes::Parse(options.accepts, strBad);
    if (!accepted) {
        err << PROGRAM << ": --accept takes status codes from 100 to 999 and ranges such as 200-299,403,999, not \""
            << Abbreviate(strBad) << '"' << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    options.policy.accepted = *accepted;
    return std::nullopt;
}

// The options of the modern-web mode: only with it, and a bundle that can
// be read.
std::optional<int> CheckModernArguments(const CLI::App& app, CCliOptions& options, std::ostream& err)
{
    for (const char* pszOption : {"--cacert", "--http1.1", "--user-agent", "--rate", "--no-robots", "--no-fragments",
             "--cache", "--cache-age", "--retries", "--max-retry-wait", "--strict", "--accept", "--urls-from",
             "--sitemap", "--map", "--changed", "--changed-from"}) {
        if (app.count(pszOption) != 0 && !options.bModern) {
            err << PROGRAM << ": " << pszOption << " is an option of --modern" << MORE_HELP;
            return EXIT_CANNOT_RUN;
        }
    }
    if (app.count("--cacert") != 0 && !std::ifstream(options.strCABundle)) {
        err << PROGRAM << ": cannot read the --cacert file " << Abbreviate(options.strCABundle) << ": "
            << std::strerror(errno != 0 ? errno : ENOENT) << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    // It goes out as a header line: a line end would start another.
    if (app.count("--user-agent") != 0
        && (options.strUserAgent.empty() || options.strUserAgent.find_first_of("\r\n") != std::string::npos)) {
        err << PROGRAM << ": --user-agent needs a text on one line" << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    if (app.count("--cache") != 0 && options.strCache.empty()) {
        err << PROGRAM << ": --cache needs a file name" << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    if (!CResultCache::ParseAge(options.strCacheAge)) {
        err << PROGRAM << ": --cache-age takes an integer and one of s, m, h, d (such as 30m or 7d), not "
            << Abbreviate(options.strCacheAge) << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    return CheckAcceptedCodes(options, err);
}

// Each --map as a prefix and an existing folder.
std::optional<int> MakePathMap(CCliOptions& options, std::ostream& err)
{
    for (const std::string& strMap : options.maps) {
        const std::size_t nEquals = strMap.find('=');
        std::string strError = "--map takes PREFIX=DIR, not " + strMap;
        if (nEquals != std::string::npos && nEquals + 1 < strMap.size()
            && options.pathMap.Add(strMap.substr(0, nEquals), strMap.substr(nEquals + 1), strError))
            continue;
        err << PROGRAM << ": " << Abbreviate(strError) << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    return std::nullopt;
}

// The paths of --changed-from, after those of --changed; the exit status
// when the file cannot be read or there is nothing to relate them to.
std::optional<int> ReadChanges(const CLI::App& app, CCliOptions& options, std::ostream& err)
{
    const bool bFrom = app.count("--changed-from") != 0;
    if (bFrom) {
        std::ifstream file(options.strChangedFrom);
        if (!file) {
            err << PROGRAM << ": cannot read the --changed-from file " << Abbreviate(options.strChangedFrom) << ": "
                << std::strerror(errno != 0 ? errno : ENOENT) << MORE_HELP;
            return EXIT_CANNOT_RUN;
        }
        for (std::string strLine; std::getline(file, strLine);) {
            if (!strLine.empty() && strLine.back() == '\r')
                strLine.pop_back();
            if (!strLine.empty())
                options.changed.push_back(strLine);
        }
    }
    options.bChanges = bFrom || app.count("--changed") != 0;
    if (options.bChanges && !options.bFolder && options.pathMap.IsEmpty()) {
        err << PROGRAM << ": --changed paths are relative to a --file folder or a --map folder; give one" << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    return std::nullopt;
}

// A folder to --file, and what the requests carry.
std::optional<int> CheckSiteArguments(CCliOptions& options, std::ostream& err)
{
    if (std::optional<std::string> strError = options.request.Check()) {
        err << PROGRAM << ": " << Abbreviate(*strError) << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    options.bFolder = !options.strFile.empty() && CPageFolder::IsFolder(options.strFile);
    if (options.bFolder && !options.bModern) {
        err << PROGRAM << ": " << Abbreviate(options.strFile)
            << " is a folder; checking the pages of a folder needs --modern" << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    return MakePathMap(options, err);
}

// Where the start pages come from: URLs, a list of them, sitemaps, or a file.
std::optional<int> CheckStartArguments(const CLI::App& app, CCliOptions& options, std::ostream& err)
{
    std::erase(options.urls, std::string());
    options.strURL = options.urls.empty() ? std::string() : options.urls.front();
    const bool bHasURL = !options.urls.empty() || app.count("--urls-from") != 0 || app.count("--sitemap") != 0;
    const bool bHasFile = app.count("--file") != 0;
    if (bHasURL == bHasFile || (bHasFile && options.strFile.empty())) {
        err << PROGRAM << ": give either a URL or --file PATH" << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    if (options.urls.size() > 1 && !options.bModern) {
        err << PROGRAM << ": several start URLs need --modern" << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    if (app.count("--urls-from") != 0 && options.strUrlsFrom.empty()) {
        err << PROGRAM << ": --urls-from needs a file name, or - for standard input" << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    const bool bRobots
        = std::find(options.sitemaps.begin(), options.sitemaps.end(), "robots") != options.sitemaps.end();
    if (bRobots && options.urls.empty()) {
        err << PROGRAM << ": --sitemap robots reads the robots.txt of the start URL: give one" << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    for (const std::string& strURL : options.urls) {
        if (strURL.size() > MAX_URL) {
            err << PROGRAM << ": the URL is " << strURL.size() << " characters long; at most " << MAX_URL
                << " are accepted" << MORE_HELP;
            return EXIT_CANNOT_RUN;
        }
    }
    return std::nullopt;
}

// What the parser accepts but no crawl can use; the exit status, if so.
std::optional<int> CheckArguments(const CLI::App& app, CCliOptions& options, std::ostream& err)
{
    if (std::optional<std::string> strError = options.output.Check(app)) {
        err << PROGRAM << ": " << *strError << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    if (std::optional<int> nExit = CheckStartArguments(app, options, err))
        return nExit;
    if (app.count("--report") != 0 && options.strReport.empty()) {
        err << PROGRAM << ": --report needs a file name" << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    if (std::optional<int> nExit = CheckSiteArguments(options, err))
        return nExit;
    if (std::optional<int> nExit = CheckModernArguments(app, options, err))
        return nExit;
    return ReadChanges(app, options, err);
}

// One parse of arguments (without the program's name), its errors reported
// as the command line's are; the exit status when the run ends here.
std::optional<int> ParseArguments(
    CLI::App& app, const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return EXIT_ALL_GOOD;
    } catch (const CLI::CallForVersion&) {
        out << LINTREL_VERSION << '\n';
        return EXIT_ALL_GOOD;
    } catch (const CLI::ParseError& e) {
        err << PROGRAM << ": " << Abbreviate(e.what()) << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    return std::nullopt;
}

// A message when the file's settings alone are refused, as options given
// on the command line would be.
std::optional<std::string> TrySettings(const std::vector<std::string>& arguments)
{
    CCliOptions options;
    CLI::App app(DESCRIPTION, PROGRAM);
    DeclareOptions(app, options);
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return Abbreviate(e.what());
    }
    return options.output.Check(app);
}

// The settings of --config or of lintrel.toml here, as arguments for
// the options the command line leaves to it; the exit status of a bad file.
std::optional<int> ReadSettings(
    const CLI::App& app, const CCliOptions& options, std::vector<std::string>& settings, std::ostream& err)
{
    const bool bGiven = app.count("--config") != 0;
    std::error_code error;
    if (!bGiven && !std::filesystem::exists(DEFAULT_CONFIG, error))
        return std::nullopt;
    const std::string strPath = bGiven ? options.strConfig : DEFAULT_CONFIG;
    CConfigFile config;
    std::string strError;
    if (!config.Read(strPath, app, strError)) {
        err << PROGRAM << ": " << strError << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    if (!bGiven)
        err << PROGRAM << ": settings read from " << DEFAULT_CONFIG << '\n';
    if (std::optional<std::string> strMessage = config.Check(TrySettings)) {
        err << PROGRAM << ": " << *strMessage << MORE_HELP;
        return EXIT_CANNOT_RUN;
    }
    settings = config.MakeArguments(app);
    return std::nullopt;
}

} // namespace

std::optional<int> ParseCliOptions(
    int argc, const char* const* argv, CCliOptions& options, std::ostream& out, std::ostream& err)
{
    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    CLI::App app(DESCRIPTION, PROGRAM);
    DeclareOptions(app, options);
    if (std::optional<int> nExit = ParseArguments(app, arguments, out, err))
        return nExit;
    std::vector<std::string> settings;
    if (std::optional<int> nExit = ReadSettings(app, options, settings, err))
        return nExit;
    if (settings.empty())
        return CheckArguments(app, options, err);
    // The file's first: the command line's then add to repeatable options.
    settings.insert(settings.end(), arguments.begin(), arguments.end());
    options = CCliOptions();
    CLI::App merged(DESCRIPTION, PROGRAM);
    DeclareOptions(merged, options);
    if (std::optional<int> nExit = ParseArguments(merged, settings, out, err))
        return nExit;
    return CheckArguments(merged, options, err);
}

namespace {

// A usage error's message as a dialog shows it: without the program's name
// and the pointer to --help.
std::string WithoutFrame(std::string strMessage)
{
    const std::string strPrefix = std::string(PROGRAM) + ": ";
    if (strMessage.rfind(strPrefix, 0) == 0)
        strMessage.erase(0, strPrefix.size());
    const std::string strSuffix = MORE_HELP;
    if (strMessage.size() >= strSuffix.size()
        && strMessage.compare(strMessage.size() - strSuffix.size(), strSuffix.size(), strSuffix) == 0)
        strMessage.erase(strMessage.size() - strSuffix.size());
    return strMessage;
}

// Parses arguments into options through app as the modern mode's.
std::optional<std::string> ParseModern(CLI::App& app, const std::vector<std::string>& arguments, CCliOptions& options)
{
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return Abbreviate(e.what());
    }
    options.bModern = true;
    std::ostringstream err;
    if (CheckModernArguments(app, options, err))
        return WithoutFrame(err.str());
    return std::nullopt;
}

} // namespace

std::optional<std::string> ParseSettings(const std::vector<std::string>& arguments, CCliOptions& options)
{
    CLI::App app(DESCRIPTION, PROGRAM);
    DeclareOptions(app, options);
    return ParseModern(app, arguments, options);
}

std::optional<std::string> ReadSettingsFile(
    const std::string& strPath, CCliOptions& options, std::vector<std::string>& given)
{
    CCliOptions declaredOptions;
    CLI::App declared(DESCRIPTION, PROGRAM);
    DeclareOptions(declared, declaredOptions);
    CConfigFile config;
    std::string strError;
    if (!config.Read(strPath, declared, strError))
        return strError;
    if (std::optional<std::string> strMessage = config.Check(TrySettings))
        return strMessage;
    CLI::App app(DESCRIPTION, PROGRAM);
    DeclareOptions(app, options);
    if (std::optional<std::string> strMessage = ParseModern(app, config.MakeArguments(declared), options))
        return strMessage;
    for (const CLI::Option* pOption : app.get_options()) {
        if (pOption->count() != 0 && !pOption->get_lnames().empty())
            given.push_back(pOption->get_lnames().front());
    }
    return std::nullopt;
}
