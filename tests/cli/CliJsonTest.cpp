// lintrel-cli --json: the rows of --tsv and a summary as one document that
// stays valid JSON whatever bytes pages and servers send.

#include "cli/CliInterrupt.h"
#include "cli/CliResult.h"
#include "cli/RunCli.h"
#include "link/LinkArray.h"
#include "support/ScriptServer.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <csignal>
#include <sstream>

namespace {

using nlohmann::json;

// Parsing is strict: invalid UTF-8 or a raw control character fails the test.
json Parse(const std::string& strText)
{
    try {
        return json::parse(strText);
    } catch (const json::exception& e) {
        ADD_FAILURE() << e.what() << "\n" << strText;
        return json::object();
    }
}

std::vector<std::vector<std::string>> TsvRows(const std::string& strTsv)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(strTsv);
    std::string strLine;
    while (std::getline(lines, strLine)) {
        std::vector<std::string> fields;
        std::istringstream cells(strLine);
        std::string strField;
        while (std::getline(cells, strField, '\t'))
            fields.push_back(strField);
        rows.push_back(fields);
    }
    return rows;
}

// One reason phrase a server sends, and the status text it must read back as.
struct CReason {
    std::string strPath;
    std::string strSent;
    std::string strParsed;
};

const std::string REPLACEMENT = "\xef\xbf\xbd"; // U+FFFD

const std::vector<CReason> REASONS = {
    {"latin1", "Caf\xe9 \x80\xff gone", "Caf" + REPLACEMENT + " " + REPLACEMENT + REPLACEMENT + " gone"},
    {"utf8", "Caf\xc3\xa9 \xe2\x82\xac", "Caf\xc3\xa9 \xe2\x82\xac"},
    {"controls", "a\x01 b\x1b[2J\x7f \"q\\ \tt", "a\x01 b\x1b[2J\x7f \"q\\ \tt"},
    {"truncated", "end\xc3", "end" + REPLACEMENT},
    {"surrogate", "s\xed\xa0\x80", "s" + REPLACEMENT + REPLACEMENT + REPLACEMENT},
};

// One server: the page links to every reason's path and to addresses with
// bytes past 7-bit ASCII; HEAD of each path answers with its reason phrase.
class CliJson : public ::testing::Test {
protected:
    static std::string PageText()
    {
        std::string strPage
            = "<A HREF=\"good.html\">g</A>\n<A HREF=\"caf\xe9.html\">x</A>\n<A HREF=\"\x80\x01\xff\">y</A>\n";
        for (const CReason& reason : REASONS)
            strPage += "<A HREF=\"" + reason.strPath + "\">r</A>\n";
        return strPage;
    }

    static std::string Answer(const std::string& strRequest)
    {
        std::string strStatus = "200 OK";
        std::string strBody;
        if (strRequest.rfind("GET /index.html ", 0) == 0)
            strBody = PageText();
        else if (strRequest.rfind("HEAD /caf ", 0) == 0)
            strStatus = "404 Not Found";
        for (const CReason& reason : REASONS) {
            if (strRequest.rfind("HEAD /" + reason.strPath + " ", 0) == 0)
                strStatus = "404 " + reason.strSent;
        }
        return "HTTP/1.1 " + strStatus + "\r\nContent-Type: text/html\r\nContent-Length: "
            + std::to_string(strBody.size()) + "\r\nConnection: close\r\n\r\n" + strBody;
    }

    CScriptServer m_server {
        [](CScriptServer::CConnection& connection) { connection.Send(Answer(connection.GetRequest())); }};
};

} // namespace

TEST_F(CliJson, OddBytesInUrlsAndReasonPhrasesGiveValidJson)
{
    CCliResult result = RunCommand({"--json", m_server.GetURL("/index.html")});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD);
    EXPECT_EQ(result.strErr, "");
    // Control characters are escaped, never written raw to a terminal or a pipe.
    for (char ch : result.strOut)
        EXPECT_TRUE(static_cast<unsigned char>(ch) >= 0x20 || ch == '\n') << static_cast<int>(ch);
    const json document = Parse(result.strOut);
    const json& rows = document["rows"];
    ASSERT_EQ(rows.size(), 3 + REASONS.size()) << result.strOut;
    // A byte past 7-bit ASCII ends a URL, so these two addresses are cut short.
    EXPECT_EQ(rows[1]["link"], "http://127.0.0.1/caf");
    EXPECT_EQ(rows[2]["link"], "http://127.0.0.1");
    for (std::size_t i = 0; i < REASONS.size(); ++i) {
        SCOPED_TRACE(REASONS[i].strPath);
        const json& row = rows[3 + i];
        EXPECT_EQ(row["referrer"], "http://127.0.0.1/index.html");
        EXPECT_EQ(row["link"], "http://127.0.0.1/" + REASONS[i].strPath);
        EXPECT_EQ(row["status_code"], 404);
        EXPECT_EQ(row["status_text"], REASONS[i].strParsed);
    }
}

TEST_F(CliJson, RowsAreTheTsvRowsInTheSameOrderWithAndWithoutOnlyBad)
{
    for (bool bOnlyBad : {false, true}) {
        SCOPED_TRACE(bOnlyBad ? "--only-bad" : "every row");
        std::vector<std::string> args = {m_server.GetURL("/index.html")};
        if (bOnlyBad)
            args.insert(args.begin(), "-b");
        args.insert(args.begin(), "--tsv");
        const CCliResult tsv = RunCommand(args);
        args.front() = "--json";
        const CCliResult jsonResult = RunCommand(args);
        EXPECT_EQ(jsonResult.nExit, tsv.nExit);
        const std::vector<std::vector<std::string>> tsvRows = TsvRows(tsv.strOut);
        const json rows = Parse(jsonResult.strOut)["rows"];
        ASSERT_EQ(rows.size(), tsvRows.size());
        EXPECT_EQ(rows.size(), bOnlyBad ? 1 + REASONS.size() : 3 + REASONS.size());
        for (std::size_t i = 0; i < tsvRows.size(); ++i) {
            SCOPED_TRACE(i);
            ASSERT_GE(tsvRows[i].size(), 3u);
            EXPECT_EQ(rows[i]["referrer"], tsvRows[i][0]);
            EXPECT_EQ(rows[i]["link"], tsvRows[i][1]);
            EXPECT_EQ(rows[i]["status_code"], std::stoi(tsvRows[i][2]));
        }
    }
}

TEST(CliJsonSummary, CountsEveryLinkEvenWhenOnlyBadRowsAreListed)
{
    CTestServer site;
    site.AddRoutes({{"/index.html", 200, "text/html", "<A HREF=\"a.html\">a</A> <A HREF=\"gone.html\">g</A>", {}},
        {"/a.html", 200, "text/html", "<A HREF=\"b.txt\">b</A>", {}}, {"/b.txt", 200, "text/plain", "", {}}});
    site.Start();
    for (const char* pszFilter : {"--recursive", "--only-bad"}) {
        SCOPED_TRACE(pszFilter);
        CCliResult result = RunCommand({"--json", "-r", pszFilter, site.GetURL("/index.html")});
        const json summary = Parse(result.strOut)["summary"];
        EXPECT_EQ(summary["links"], 3);
        EXPECT_EQ(summary["good"], 2);
        EXPECT_EQ(summary["bad"], 1);
        EXPECT_EQ(summary["unchecked"], 0);
        EXPECT_EQ(summary["pages_fetched"], 2);
        ASSERT_TRUE(summary["elapsed_seconds"].is_number()) << result.strOut;
        EXPECT_GE(summary["elapsed_seconds"].get<double>(), 0.0);
        EXPECT_LT(summary["elapsed_seconds"].get<double>(), 60.0);
        EXPECT_EQ(result.nExit, EXIT_SOME_BAD);
    }
}

TEST(CliJsonSummary, StoppedCrawlCountsTheLinksLeftUnchecked)
{
    CTestServer server;
    server.AddRoute({"/index.html", 200, "text/html",
        "<A HREF=\"1.html\">1</A> <A HREF=\"2.html\">2</A> <A HREF=\"3.html\">3</A>", {}});
    server.AddRoute({"/1.html", 200, "text/html", "", {}});
    server.AddRoute({"/3.html", 200, "text/html", "", {}});
    server.GetServer().Get("/2\\.html", [](const httplib::Request&, httplib::Response& response) {
        std::raise(SIGINT);
        response.set_content("", "text/html");
    });
    server.Start();
    CCliInterrupt::Install();
    CCliResult result = RunCommand({"--json", "--jobs", "1", server.GetURL("/index.html")});
    CCliInterrupt::Uninstall();
    const json document = Parse(result.strOut);
    ASSERT_EQ(document["rows"].size(), 3u) << result.strOut;
    EXPECT_EQ(document["rows"][2]["status_code"], -1);
    EXPECT_EQ(document["rows"][2]["status_text"], "");
    EXPECT_EQ(document["summary"]["unchecked"], 1);
    EXPECT_EQ(document["summary"]["good"], 2);
    EXPECT_EQ(result.strErr, "lintrel-cli: stopped; 1 links were not checked\n");
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD);
}

TEST(CliJsonSummary, PageWithoutLinksGivesAnEmptyRowArray)
{
    CTestServer server;
    server.AddRoute({"/empty.html", 200, "text/html", "", {}});
    server.Start();
    CCliResult result = RunCommand({"--json", server.GetURL("/empty.html")});
    EXPECT_EQ(result.nExit, EXIT_ALL_GOOD);
    const json document = Parse(result.strOut);
    EXPECT_TRUE(document["rows"].is_array());
    EXPECT_TRUE(document["rows"].empty());
    EXPECT_EQ(document["summary"]["links"], 0);
    EXPECT_EQ(document["summary"]["pages_fetched"], 1);
}

TEST(CliJsonSummary, TsvAndJsonTogetherAreAUsageError)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             {"--tsv", "--json", "http://127.0.0.1/"}, {"--json", "http://127.0.0.1/", "--tsv"}}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        CCliResult result = RunCommand(args);
        EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
        EXPECT_EQ(result.strOut, "");
        EXPECT_NE(result.strErr.find("--tsv excludes --json"), std::string::npos) << result.strErr;
    }
    CCliResult help = RunCommand({"--help"});
    EXPECT_NE(help.strOut.find("--json"), std::string::npos);
    EXPECT_NE(help.strOut.find("U+FFFD"), std::string::npos);
}

TEST(CliBounds, MaxPagesAndMaxDepthFetchOnlyWhatTheyAllowAndSaySo)
{
    // Depth 0: index; 1: a, b; 2: c, d; 3: e.
    CTestServer site;
    site.AddRoutes({{"/index.html", 200, "text/html", "<A HREF=\"a.html\">a</A> <A HREF=\"b.html\">b</A>", {}},
        {"/a.html", 200, "text/html", "<A HREF=\"c.html\">c</A>", {}},
        {"/b.html", 200, "text/html", "<A HREF=\"d.html\">d</A> <A HREF=\"a.html\">a</A>", {}},
        {"/c.html", 200, "text/html", "<A HREF=\"e.html\">e</A>", {}}, {"/d.html", 200, "text/html", "", {}},
        {"/e.html", 200, "text/html", "", {}}});
    site.Start();
    const std::string PAGES_LINE
        = "lintrel-cli: --max-pages 3 reached: further pages of the site were checked but not fetched\n";
    struct CCase {
        std::vector<std::string> bounds;
        std::vector<std::string> fetched;
        int nLinks;
        json truncatedBy;
        std::string strErr;
    };
    const std::vector<CCase> cases = {
        {{}, {"index", "a", "b", "c", "d", "e"}, 5, nullptr, ""},
        {{"--max-pages", "3"}, {"index", "a", "b"}, 4, "max-pages", PAGES_LINE},
        {{"--max-pages", "6"}, {"index", "a", "b", "c", "d", "e"}, 5, nullptr, ""},
        {{"--max-depth", "1"}, {"index", "a", "b"}, 4, "max-depth",
            "lintrel-cli: --max-depth 1 reached: deeper pages of the site were checked but not fetched\n"},
        {{"--max-depth", "3"}, {"index", "a", "b", "c", "d", "e"}, 5, nullptr, ""},
        // Both cut; the page bound is named, as raising the depth alone would fetch nothing more.
        {{"--max-pages", "3", "--max-depth", "1"}, {"index", "a", "b"}, 4, "max-pages", PAGES_LINE},
        {{"--max-pages", "5", "--max-depth", "1"}, {"index", "a", "b"}, 4, "max-depth",
            "lintrel-cli: --max-depth 1 reached: deeper pages of the site were checked but not fetched\n"},
    };
    std::size_t nRequestsBefore = 0;
    for (const CCase& test : cases) {
        SCOPED_TRACE(::testing::PrintToString(test.bounds));
        std::vector<std::string> args = {"--json", "-r", site.GetURL("/index.html")};
        args.insert(args.begin(), test.bounds.begin(), test.bounds.end());
        CCliResult result = RunCommand(args);
        EXPECT_EQ(result.nExit, EXIT_ALL_GOOD);
        EXPECT_EQ(result.strErr, test.strErr);
        const json document = Parse(result.strOut);
        EXPECT_EQ(document["rows"].size(), static_cast<std::size_t>(test.nLinks));
        EXPECT_EQ(document["summary"]["unchecked"], 0);
        EXPECT_EQ(document["summary"]["pages_fetched"], test.fetched.size());
        ASSERT_TRUE(document["summary"].contains("truncated_by")) << result.strOut;
        EXPECT_EQ(document["summary"]["truncated_by"], test.truncatedBy);
        std::vector<std::string> gets;
        const std::vector<std::string> requests = site.GetRequests();
        for (std::size_t i = nRequestsBefore; i < requests.size(); ++i) {
            if (requests[i].rfind("GET /", 0) == 0)
                gets.push_back(requests[i].substr(5, requests[i].size() - 10));
        }
        nRequestsBefore = requests.size();
        std::vector<std::string> fetched = test.fetched;
        std::sort(gets.begin(), gets.end());
        std::sort(fetched.begin(), fetched.end());
        EXPECT_EQ(gets, fetched);
    }
}
