// lintrel-cli --modern's manners, as loopback servers see them: robots.txt,
// requests in flight per host, and requests a second.
#include "cli/CliResult.h"
#include "support/LoadRecorder.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using json = nlohmann::json;
using namespace std::chrono_literals;

const char* const START_PAGE = "<a href=/public.html>p</a> <a href=/private/a.html>a</a>";
const std::set<std::string> PAGES = {"/index.html", "/public.html", "/private/a.html"};

struct SRobotsCase {
    const char* pszName;
    int nStatus;
    std::string strRobots;
    // Redirects before robots.txt's answer.
    int nRedirects;
    std::vector<std::string> extraArgs;
    std::set<std::string> fetched;
    int nSkipped;
    // ROBOTS stands for the file's URL.
    std::string strErr;
};

void AddRobotsRoutes(CTestServer& server, const SRobotsCase& c)
{
    std::string strPath = "/robots.txt";
    for (int n = 1; n <= c.nRedirects; ++n) {
        const std::string strNext = "/r" + std::to_string(n);
        server.AddRoute({strPath, 301, "text/html", "", {{"Location", strNext}}});
        strPath = strNext;
    }
    server.AddRoute({strPath, c.nStatus, "text/plain", c.strRobots, {}});
}

std::set<std::string> FetchedPages(const CTestServer& server)
{
    std::set<std::string> fetched;
    for (const std::string& strRequest : server.GetRequests())
        if (strRequest.starts_with("GET ") && PAGES.contains(strRequest.substr(4)))
            fetched.insert(strRequest.substr(4));
    return fetched;
}

} // namespace

TEST(CliPoliteness, RobotsTxtIsReadOnceAndObeyedForEveryPageAfterTheStartPage)
{
    const std::string DISALLOW_ALL = "User-agent: *\nDisallow: /\n";
    const std::vector<SRobotsCase> cases = {
        {"a disallowed page is checked, not fetched; the start page always is", 200,
            "User-agent: *\nDisallow: /\nAllow: /public.html\n", 0, {}, {"/index.html", "/public.html"}, 1, ""},
        {"a 4xx allows every page", 404, DISALLOW_ALL, 0, {}, PAGES, 0, ""},
        {"a 5xx fetches no further page and says so once", 503, "", 0, {}, {"/index.html"}, 2,
            "lintrel-cli: robots.txt at ROBOTS answered 503 Service Unavailable; no further page was fetched\n"},
        {"--no-robots neither reads nor obeys it", 200, DISALLOW_ALL, 0, {"--no-robots"}, PAGES, 0, ""},
        {"the group of lintrel, whatever --user-agent says", 200,
            "User-agent: other\nAllow: /\n\nUser-agent: *\nDisallow: /\n\nUser-agent: lintrel\nDisallow: /private/\n",
            0, {"--user-agent", "other/1.0"}, {"/index.html", "/public.html"}, 1, ""},
        {"five redirects are followed", 200, DISALLOW_ALL, 5, {}, {"/index.html"}, 2, ""},
        {"more than five redirects allow every page", 200, DISALLOW_ALL, 6, {}, PAGES, 0, ""},
    };
    for (const SRobotsCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CTestServer server;
        server.AddRoutes({{"/index.html", 200, "text/html", START_PAGE, {}}, {"/public.html", 200, "text/html", "", {}},
            {"/private/a.html", 200, "text/html", "", {}}});
        AddRobotsRoutes(server, c);
        server.Start();
        std::vector<std::string> args = {"-m", "-r", "--json"};
        args.insert(args.end(), c.extraArgs.begin(), c.extraArgs.end());
        args.push_back(server.GetURL("/index.html"));
        const CCliResult result = RunCommand(args);
        EXPECT_EQ(result.nExit, 0);
        std::string strErr = c.strErr;
        if (const std::size_t nAt = strErr.find("ROBOTS"); nAt != std::string::npos)
            strErr.replace(nAt, 6, server.GetURL("/robots.txt"));
        EXPECT_EQ(result.strErr, strErr);
        EXPECT_EQ(FetchedPages(server), c.fetched);
        EXPECT_EQ(server.CountRequests("GET", "/robots.txt"),
            c.extraArgs == std::vector<std::string> {"--no-robots"} ? 0 : 1);
        // Checked all the same.
        EXPECT_EQ(server.CountRequests("HEAD", "/private/a.html"), 1);
        const json document = json::parse(result.strOut);
        EXPECT_EQ(document["summary"]["robots_skipped"], c.nSkipped);
        EXPECT_EQ(document["summary"]["links"], 2);
    }
}

TEST(CliPoliteness, ARobotsTxtRedirectLoopIsAskedSixTimesAtMostThenAllowsEveryPage)
{
    // With a --header the engine follows each redirect itself.
    for (const std::vector<std::string>& extraArgs :
        std::vector<std::vector<std::string>> {{}, {"--header", "X-Site: 1"}}) {
        SCOPED_TRACE(extraArgs.empty() ? "redirects followed by the library" : "redirects followed by the engine");
        CTestServer server;
        server.AddRoutes({{"/index.html", 200, "text/html", START_PAGE, {}}, {"/public.html", 200, "text/html", "", {}},
            {"/private/a.html", 200, "text/html", "", {}},
            {"/robots.txt", 302, "text/html", "", {{"Location", "/robots-again.txt"}}},
            {"/robots-again.txt", 302, "text/html", "", {{"Location", "/robots.txt"}}}});
        server.Start();
        std::vector<std::string> args = {"-m", "-r", "--json"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        args.push_back(server.GetURL("/index.html"));
        const CCliResult result = RunCommand(args);
        EXPECT_EQ(result.nExit, 0) << result.strErr;
        EXPECT_EQ(result.strErr, "");
        EXPECT_EQ(FetchedPages(server), PAGES);
        // The first request and five redirects followed.
        EXPECT_EQ(server.CountRequests("GET", "/robots.txt") + server.CountRequests("GET", "/robots-again.txt"), 6);
    }
}

TEST(CliPoliteness, PerHostAndRateBoundWhatTheServerSees)
{
    struct SCase {
        const char* pszName;
        std::vector<std::string> args;
        int nMaxInFlight;
        std::size_t nMostInASecond;
    };
    const std::vector<SCase> cases = {
        {"--per-host bounds requests in flight", {"--per-host", "3"}, 3, 13},
        {"--rate bounds requests started in any second", {"--rate", "5"}, 5, 5},
    };
    std::string strPage;
    for (int n = 0; n < 12; ++n)
        strPage += "<a href=/l" + std::to_string(n) + ".html>l</a>";
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CLoadRecorder load;
        CTestServer server;
        server.GetServer().Get("/index.html", load.Answer(200, 0ms, strPage));
        server.GetServer().Get(R"(/l\d+\.html)", load.Answer(200, 60ms));
        server.Start();
        std::vector<std::string> args = {"-m", "--json"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(server.GetURL("/index.html"));
        const CCliResult result = RunCommand(args);
        EXPECT_EQ(result.nExit, 0) << result.strErr;
        std::vector<CLoadRecorder::Clock::time_point> times;
        for (const CLoadRecorder::SArrival& arrival : load.GetArrivals())
            times.push_back(arrival.at);
        ASSERT_EQ(times.size(), 13u);
        EXPECT_LE(load.GetMaxInFlight(), c.nMaxInFlight);
        // A little less than a second: the network may bring two requests
        // closer together than they were sent.
        EXPECT_LE(CLoadRecorder::MostInAnyWindow(times, 900ms), c.nMostInASecond);
        EXPECT_EQ(load.GetArrivals()[0].strUserAgent.rfind("Lintrel/", 0), 0u);
    }
}

TEST(CliPoliteness, EachNewOptionIsTheModernModesAndChecked)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--user-agent", "x/1"}, "lintrel-cli: --user-agent is an option of --modern"},
        {{"--rate", "5"}, "lintrel-cli: --rate is an option of --modern"},
        {{"--no-robots"}, "lintrel-cli: --no-robots is an option of --modern"},
        {{"-m", "--rate", "0"}, "lintrel-cli: --rate: Value 0 not in range 1 to 1000"},
        {{"-m", "--rate", "1001"}, "lintrel-cli: --rate: Value 1001 not in range 1 to 1000"},
        {{"-m", "--user-agent", ""}, "lintrel-cli: --user-agent needs a text on one line"},
        {{"-m", "--user-agent", "a\r\nX-Injected: 1"}, "lintrel-cli: --user-agent needs a text on one line"},
    };
    for (const auto& [args, strFirstLine] : cases) {
        SCOPED_TRACE(strFirstLine);
        std::vector<std::string> all = args;
        all.push_back("http://127.0.0.1:9/");
        const CCliResult result = RunCommand(all);
        EXPECT_EQ(result.nExit, 2);
        EXPECT_EQ(result.strErr.substr(0, result.strErr.find('\n')), strFirstLine);
        EXPECT_EQ(result.strOut, "");
    }
}
