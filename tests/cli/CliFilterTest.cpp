// --exclude and --include: a link the patterns refuse is never requested,
// fetched or listed, in either mode and for any number of jobs.

#include "cli/CliResult.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>

namespace {

using nlohmann::json;

// Each row's link without its scheme and host, which the two modes write
// differently.
std::vector<std::string> LinkPaths(const json& document)
{
    std::vector<std::string> paths;
    for (const json& row : document["rows"]) {
        const std::string strLink = row["link"];
        const std::size_t nPath = strLink.find('/', strLink.find("://") + 3);
        paths.push_back(nPath == std::string::npos ? strLink : strLink.substr(nPath));
    }
    return paths;
}

struct SFilterCase {
    std::string strName;
    std::vector<std::string> args;
    std::vector<std::string> paths;
    int nExcluded = 0;
};

// b.pdf is named on both pages; private/ only holds pages never to be asked for.
const std::vector<SFilterCase> FILTER_CASES = {
    {"exclude", {"--exclude", "\\.pdf$"}, {"/a.html", "/private/x.html", "/index.html", "/private/y.html"}, 1},
    {"include", {"--include", "\\.html$"}, {"/a.html", "/private/x.html", "/index.html", "/private/y.html"}, 1},
    {"both", {"--include", "html", "--exclude", "/private/"}, {"/a.html", "/index.html"}, 3},
    {"anchored", {"--exclude", "^http://[^/]+/private/", "--exclude", "^b"}, {"/a.html", "/b.pdf", "/index.html"}, 2},
    {"start page matches", {"--exclude", "index", "--exclude", "pdf"},
        {"/a.html", "/private/x.html", "/index.html", "/private/y.html"}, 1},
    {"nothing matches", {"--exclude", "nowhere"},
        {"/a.html", "/b.pdf", "/private/x.html", "/index.html", "/private/y.html"}, 0},
};

} // namespace

TEST(CliFilter, RefusedLinksAreNeitherRequestedNorListedAndCountedOnce)
{
    for (const bool bModern : {false, true}) {
        for (const SFilterCase& filterCase : FILTER_CASES) {
            for (const char* pszJobs : {"1", "16"}) {
                SCOPED_TRACE(filterCase.strName + (bModern ? " modern" : " default") + " jobs " + pszJobs);
                CTestServer server;
                server.AddRoutes(
                    {{"/index.html", 200, "text/html", Page({"a.html", "b.pdf", "private/x.html", "b.pdf"}), {}},
                        {"/a.html", 200, "text/html", Page({"b.pdf", "index.html", "private/y.html"}), {}},
                        {"/b.pdf", 200, "application/pdf", "", {}}});
                server.Start();
                std::vector<std::string> args = {"--json", "-r", "--jobs", pszJobs};
                if (bModern)
                    args.push_back("-m");
                args.insert(args.end(), filterCase.args.begin(), filterCase.args.end());
                args.push_back(server.GetURL("/index.html"));
                const CCliResult result = RunCommand(args);
                const json document = json::parse(result.strOut);
                EXPECT_EQ(LinkPaths(document), filterCase.paths);
                EXPECT_EQ(document["summary"]["excluded"], filterCase.nExcluded);
                for (const std::string& strRequest : server.GetRequests()) {
                    const std::string strPath = strRequest.substr(strRequest.find(' ') + 1);
                    // The modern mode reads robots.txt whatever the filters say.
                    if (strPath == "/robots.txt")
                        continue;
                    EXPECT_NE(std::count(filterCase.paths.begin(), filterCase.paths.end(), strPath), 0) << strRequest;
                }
            }
        }
    }
}

TEST(CliFilter, WithoutPatternsTheSummaryHasNoExcludedCount)
{
    CTestServer server;
    server.AddRoute({"/index.html", 200, "text/html", Page({"a.html"}), {}});
    server.Start();
    const CCliResult result = RunCommand({"--json", server.GetURL("/index.html")});
    EXPECT_FALSE(json::parse(result.strOut)["summary"].contains("excluded"));
}

TEST(CliFilter, BadPatternIsAUsageErrorAndABacktrackingOneEndsAtOnce)
{
    const CCliResult bad = RunCommand({"--include", "ok", "--exclude", "(a+", "http://127.0.0.1/"});
    EXPECT_EQ(bad.nExit, EXIT_CANNOT_RUN);
    EXPECT_NE(bad.strErr.find("bad --exclude pattern (a+: "), std::string::npos) << bad.strErr;
    EXPECT_EQ(bad.strOut, "");

    // A backtracking engine would take longer than the universe has on this.
    const std::string strLong = std::string(20000, 'a') + "!";
    CTestServer server;
    server.AddRoute({"/index.html", 200, "text/html", Page({strLong}), {}});
    server.Start();
    const auto start = std::chrono::steady_clock::now();
    const CCliResult result
        = RunCommand({"--tsv", "-m", "--exclude", "(a+)+$", "--exclude", "(x+x+)+y", server.GetURL("/index.html")});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_NE(result.strOut.find(strLong), std::string::npos);
}
