#include "cli/CliResult.h"
#include "cli/RunCli.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A folder after a change: b.html was edited and gone.html deleted, while
// a.html and c.html, unchanged, still link to gone.html. The web server
// counts the requests: links on unchanged pages must get none.
class CliChanged : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.AddRoutes({{"/a-web", 200, "text/html", "", {}}, {"/b-web", 200, "text/html", "", {}},
            {"/c-web", 200, "text/html", "", {}}, {"/shared", 200, "text/html", "", {}}});
        m_server.Start();
        m_strFolder = "cli-changed-" + std::to_string(::getpid());
        fs::create_directories(m_strFolder);
        Write("a.html",
            "<a href=\"" + m_server.GetURL("/a-web")
                + "\">a</a>\n<a href=\"b.html\">b</a>\n<a href=\"gone.html\">g</a>\n" + "<a href=\""
                + m_server.GetURL("/shared") + "\">s</a>\n");
        Write("b.html",
            "<a href=\"" + m_server.GetURL("/b-web")
                + "\">b</a>\n<a href=\"c.html\">c</a>\n<a href=\"missing.html\">m</a>\n" + "<a href=\""
                + m_server.GetURL("/shared") + "\">s</a>\n");
        Write("c.html", "<a href=\"" + m_server.GetURL("/c-web") + "\">c</a>\n<a href=\"gone.html\">g</a>\n");
        // As git diff --name-only writes it, here with CR LF line ends.
        std::ofstream(m_strFolder + ".txt") << "b.html\r\ngone.html\r\n";
        m_strFiles = "file://" + (fs::current_path() / m_strFolder).string() + "/";
    }
    void TearDown() override
    {
        fs::remove_all(m_strFolder);
        fs::remove(m_strFolder + ".txt");
    }

    void Write(const std::string& strName, const std::string& strText)
    {
        std::ofstream(m_strFolder + "/" + strName) << strText;
    }

    CTestServer m_server;
    std::string m_strFolder;
    std::string m_strFiles;
};

TEST_F(CliChanged, OnlyTheEditedPagesLinksAndLinksToTheDeletedPageAreChecked)
{
    CCliResult result = RunCommand({"-m", "--json", "--file", m_strFolder, "--changed-from", m_strFolder + ".txt"});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    const nlohmann::json json = nlohmann::json::parse(result.strOut);
    const std::string& f = m_strFiles;
    // In the order a full run lists them, each with every place found.
    const std::vector<std::vector<std::string>> expected = {
        {f + "a.html", f + "gone.html", "404", f + "a.html", f + "c.html"},
        {f + "a.html", m_server.GetURL("/shared"), "200", f + "a.html", f + "b.html"},
        {f + "b.html", m_server.GetURL("/b-web"), "200", f + "b.html"},
        {f + "b.html", f + "c.html", "200", f + "b.html"},
        {f + "b.html", f + "missing.html", "404", f + "b.html"},
    };
    std::vector<std::vector<std::string>> rows;
    for (const nlohmann::json& row : json["rows"]) {
        rows.push_back({row["referrer"], row["link"], std::to_string(row["status_code"].get<int>())});
        for (const nlohmann::json& place : row["occurrences"])
            rows.back().push_back(place["page"]);
    }
    EXPECT_EQ(rows, expected) << result.strOut;
    EXPECT_EQ(json["summary"]["pages_read"], 3);
    EXPECT_EQ(json["summary"]["links_checked"], 5);
    std::vector<std::string> requests = m_server.GetRequests();
    std::sort(requests.begin(), requests.end());
    EXPECT_EQ(requests, (std::vector<std::string> {"HEAD /b-web", "HEAD /shared"}));
}

TEST_F(CliChanged, TheTableSaysWhatWasReadAndChecked)
{
    CCliResult result = RunCommand({"-m", "-j", "1", "--file", m_strFolder, "--changed", "c.html"});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    // c.html names gone.html too: its row stays where a full run lists it, under a.html.
    EXPECT_NE(result.strOut.find("a.html  " + m_strFiles + "gone.html  Not Found\n"), std::string::npos)
        << result.strOut;
    EXPECT_NE(result.strOut.find("\n2 links listed of 2 found; 3 pages read, 2 links checked.\n"), std::string::npos)
        << result.strOut;
    EXPECT_EQ(m_server.GetRequests(), std::vector<std::string> {"HEAD /c-web"});
}

TEST_F(CliChanged, ChangedPathsNeedAFolderToBeRelativeTo)
{
    CCliResult result = RunCommand({"-m", m_server.GetURL("/a-web"), "--changed", "a.html"});
    EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
    EXPECT_NE(result.strErr.find("--file folder or a --map folder"), std::string::npos) << result.strErr;
    EXPECT_TRUE(m_server.GetRequests().empty());
}

} // namespace
