#include "cli/CliResult.h"
#include "cli/RunCli.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A folder of pages in the current folder, so the CI formats name its pages
// by short relative paths: a good file link, a missing one, a directory with
// and without index.html, an anchor into a missing page, a web link, a page
// in a subfolder, a second path to one page and a link loop.
class CliSiteFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.AddRoutes({{"/ok", 200, "text/html", "", {}}});
        m_server.Start();
        m_strFolder = "cli-site-" + std::to_string(::getpid());
        fs::create_directories(m_strFolder + "/sub");
        fs::create_directories(m_strFolder + "/empty");
        Write("a.html",
            "<a href=\"b.html\">good</a>\n<a href=\"missing.html\">m</a>\n<a href=\"sub/\">i</a>\n"
            "<a href=\"empty/\">e</a>\n<a href=\"gone.html#top\">g</a>\n<a href=\""
                + m_server.GetURL("/ok") + "\">web</a>\n");
        Write("b.html", "<a href=\"a.html#x\">back</a>\n");
        // Upper case sorts before lower case in byte order.
        Write("Z.htm", "<a href=\"a.html\">a</a>\n");
        Write("sub/index.html", "<a href=\"../b.html?v=1\">up</a>\n");
        Write("empty/notes.txt", "<a href=\"nowhere.html\">not a page</a>\n");
        fs::create_symlink("a.html", m_strFolder + "/link.html");
        fs::create_directory_symlink("..", m_strFolder + "/sub/loop");
        m_strURL = "file://" + (fs::current_path() / m_strFolder).string() + "/";
    }
    void TearDown() override { fs::remove_all(m_strFolder); }

    void Write(const std::string& strName, const std::string& strText)
    {
        std::ofstream(m_strFolder + "/" + strName) << strText;
    }

    CTestServer m_server;
    std::string m_strFolder;
    std::string m_strURL;
};

TEST_F(CliSiteFolder, EveryPageIsAStartPageAndFileLinksAreLookedAt)
{
    CCliResult result = RunCommand({"-m", "-r", "--tsv", "--file", m_strFolder});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    const std::string& u = m_strURL;
    EXPECT_EQ(result.strOut,
        u + "Z.htm\t" + u + "a.html\t200\tOK\n" + u + "a.html\t" + u + "b.html\t200\tOK\n" + u + "a.html\t" + u
            + "missing.html\t404\tNot Found\n" + u + "a.html\t" + u + "sub/\t200\tOK\n" + u + "a.html\t" + u
            + "empty/\t404\tNot Found\n" + u + "a.html\t" + u + "gone.html\t404\tNot Found\n" + u + "a.html\t" + u
            + "gone.html#top\t404\tNot Found\n" + u + "a.html\t" + m_server.GetURL("/ok") + "\t200\tOK\n" + u
            + "b.html\t" + u + "a.html#x\t200\tFragment not found\n" + u + "sub/index.html\t" + u
            + "b.html?v=1\t200\tOK\n");
    // The web link is checked, never read as a page, even with -r.
    EXPECT_EQ(m_server.CountRequests("GET", "/ok"), 0);

    CCliResult json = RunCommand({"-m", "--json", "--file", m_strFolder + "/"});
    EXPECT_EQ(nlohmann::json::parse(json.strOut)["summary"]["pages_fetched"], 4) << json.strOut;
}

TEST_F(CliSiteFolder, CiFormatsNameEachBadLinkByItsRelativePath)
{
    CCliResult github = RunCommand({"-m", "--format", "github", "--file", m_strFolder});
    const std::string strPage = "::error file=" + m_strFolder + "/a.html,line=";
    EXPECT_EQ(github.strOut,
        strPage + "2,col=1::" + m_strURL + "missing.html: 404 Not Found\n" + strPage + "4,col=1::" + m_strURL
            + "empty/: 404 Not Found\n" + strPage + "5,col=1::" + m_strURL + "gone.html: 404 Not Found\n" + strPage
            + "5,col=1::" + m_strURL + "gone.html#top: 404 Not Found\n::error file=" + m_strFolder
            + "/b.html,line=1,col=1::" + m_strURL + "a.html#x: 200 Fragment not found\n");

    CCliResult sarif = RunCommand({"-m", "--format", "sarif", "--file", m_strFolder});
    const nlohmann::json results = nlohmann::json::parse(sarif.strOut)["runs"][0]["results"];
    ASSERT_EQ(results.size(), 5u) << sarif.strOut;
    for (std::size_t n = 0; n < 4; ++n)
        EXPECT_EQ(results[n]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"], m_strFolder + "/a.html");
    EXPECT_EQ(results[4]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"], m_strFolder + "/b.html");
    EXPECT_EQ(results[4]["ruleId"], "missing-fragment");
}

// Good and bad links as one format's output counts them.
struct SFormatCounts {
    int nGood = -1;
    int nBad = -1;
};

// Rows of the table's text, between its heading and its last line.
SFormatCounts CountTableRows(const std::string& strOut)
{
    std::istringstream lines(strOut);
    std::vector<std::string> rows;
    for (std::string strLine; std::getline(lines, strLine);)
        rows.push_back(strLine);
    SFormatCounts counts {0, 0};
    for (std::size_t n = 1; n + 1 < rows.size(); ++n)
        ++(rows[n].ends_with("  OK") ? counts.nGood : counts.nBad);
    return counts;
}

SFormatCounts CountTsvRows(const std::string& strOut)
{
    std::istringstream lines(strOut);
    SFormatCounts counts {0, 0};
    for (std::string strLine; std::getline(lines, strLine);)
        ++(strLine.find("\t200\tOK") != std::string::npos ? counts.nGood : counts.nBad);
    return counts;
}

// The summary's counts, which each row's verdict and the verdict counts
// must agree with.
SFormatCounts CountJson(const std::string& strOut)
{
    const nlohmann::json document = nlohmann::json::parse(strOut);
    for (const nlohmann::json& row : document["rows"]) {
        SCOPED_TRACE(row.dump());
        EXPECT_EQ(row["verdict"], std::string(row["status_code"].get<int>() < 300 ? "ok" : "broken"));
    }
    const nlohmann::json& summary = document["summary"];
    EXPECT_EQ(summary["verdicts"]["ok"], summary["good"]);
    EXPECT_EQ(summary["verdicts"]["broken"], summary["bad"]);
    return {summary["good"].get<int>(), summary["bad"].get<int>()};
}

// Bad links only: each named once in this folder.
SFormatCounts CountSarif(const std::string& strOut)
{
    const nlohmann::json results = nlohmann::json::parse(strOut)["runs"][0]["results"];
    for (const nlohmann::json& finding : results)
        EXPECT_EQ(finding["ruleId"], "broken-link");
    return {-1, static_cast<int>(results.size())};
}

SFormatCounts CountJUnit(const std::string& strOut)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(strOut.c_str()));
    const pugi::xml_node suite = document.child("testsuite");
    EXPECT_EQ(suite.attribute("skipped").as_int(), 0);
    const int nFailures = suite.attribute("failures").as_int();
    return {suite.attribute("tests").as_int() - nFailures, nFailures};
}

SFormatCounts CountMarkdown(const std::string& strOut)
{
    SFormatCounts counts;
    const std::size_t nLine = strOut.find(" links: ");
    if (nLine != std::string::npos)
        std::sscanf(strOut.c_str() + nLine, " links: %d good, %d bad", &counts.nGood, &counts.nBad);
    return counts;
}

SFormatCounts CountGithub(const std::string& strOut)
{
    const auto nLines = std::count(strOut.begin(), strOut.end(), '\n');
    return {-1, static_cast<int>(nLines)};
}

TEST_F(CliSiteFolder, EveryFormatCountsGoodFileLinksAsOkAndAgreesWithTheExitStatus)
{
    struct SCase {
        const char* pszFormat;
        std::function<SFormatCounts(const std::string&)> count;
        // -1: the format lists bad links only.
        int nGood;
    };
    const std::vector<SCase> cases = {
        {"table", CountTableRows, 5},
        {"tsv", CountTsvRows, 5},
        {"json", CountJson, 5},
        {"sarif", CountSarif, -1},
        {"junit", CountJUnit, 5},
        {"markdown", CountMarkdown, 5},
        {"github", CountGithub, -1},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.pszFormat);
        // Fragment rows, whose codes and verdicts differ, are the fragment tests'.
        const CCliResult result = RunCommand({"-m", "--no-fragments", "--format", c.pszFormat, "--file", m_strFolder});
        EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
        // Good: b.html, sub/, b.html?v=1, a.html and the web link; bad:
        // missing.html, empty/ and gone.html.
        const SFormatCounts counts = c.count(result.strOut);
        EXPECT_EQ(counts.nGood, c.nGood) << result.strOut;
        EXPECT_EQ(counts.nBad, 3) << result.strOut;
    }
}

TEST_F(CliSiteFolder, AFolderWithoutTheModernModeIsAUsageError)
{
    CCliResult result = RunCommand({"--file", m_strFolder});
    EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
    EXPECT_NE(result.strErr.find("--modern"), std::string::npos) << result.strErr;
    EXPECT_TRUE(result.strOut.empty());
}

} // namespace
