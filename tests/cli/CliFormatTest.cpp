#include "cli/CliResult.h"
#include "cli/RunCli.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using json = nlohmann::json;

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A local page in the current folder, so formats name it by its plain
// file name: a good link on line 1, then a missing one with every character
// the formats escape, its attribute after a tab on line 3.
class CliFormat : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.AddRoutes({{"/good", 200, "text/html", "", {}}});
        m_server.Start();
        m_strPage = "cli-format-" + std::to_string(::getpid()) + ".html";
        std::ofstream(m_strPage) << "<a href=\"" << m_server.GetURL("/good") << "\">g</a>\r\n\r\n\t<a href=\""
                                 << m_server.GetURL("/a|b%25,c:d") << "\">b</a>\n";
    }
    void TearDown() override
    {
        std::filesystem::remove(m_strPage);
        std::filesystem::remove(m_strOutput);
    }

    CTestServer m_server;
    std::string m_strPage;
    std::string m_strOutput = "cli-format-" + std::to_string(::getpid()) + ".out";
};

const std::string BAD = "http://127.0.0.1/a|b%25,c:d";

} // namespace

TEST_F(CliFormat, GithubLineNamesTheFileLineAndColumn)
{
    CCliResult result = RunCommand({"--format", "github", "--file", m_strPage});
    EXPECT_EQ(result.strOut,
        "::error file=" + m_strPage + ",line=3,col=5::" + "http://127.0.0.1/a|b%2525,c:d: 404 Not Found\n");
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD);
}

TEST_F(CliFormat, JsonRowsOfTheDefaultModeGainTheirOccurrence)
{
    CCliResult result = RunCommand({"--json", "--file", m_strPage});
    const json rows = json::parse(result.strOut)["rows"];
    ASSERT_EQ(rows.size(), 2U) << result.strOut;
    const std::string strPage = "file://" + std::filesystem::absolute(m_strPage).string();
    EXPECT_EQ(rows[0]["occurrences"], json::parse(R"([{"page":")" + strPage + R"(","line":1,"column":4}])"));
    EXPECT_EQ(rows[1]["occurrences"], json::parse(R"([{"page":")" + strPage + R"(","line":3,"column":5}])"));
}

TEST_F(CliFormat, OutputFileHoldsTheFormatAndStdoutStaysEmpty)
{
    const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> cases = {
        {"sarif",
            [](const std::string& strText) {
                const json result = json::parse(strText)["runs"][0]["results"][0];
                EXPECT_EQ(result["message"]["text"], BAD + ": 404 Not Found");
                EXPECT_EQ(result["locations"][0]["physicalLocation"]["region"]["startLine"], 3);
            }},
        {"junit",
            [](const std::string& strText) {
                pugi::xml_document document;
                ASSERT_TRUE(document.load_string(strText.c_str())) << strText;
                EXPECT_EQ(document.child("testsuite").attribute("tests").as_int(), 2);
                EXPECT_EQ(document.child("testsuite").attribute("failures").as_int(), 1);
            }},
        {"markdown",
            [this](const std::string& strText) {
                EXPECT_NE(strText.find("\n| " + m_strPage + " | http://127.0.0.1/a\\|b%25,c:d | 404 Not Found |\n"),
                    std::string::npos)
                    << strText;
            }},
        {"tsv",
            [](const std::string& strText) { EXPECT_NE(strText.find(BAD + "\t404\tNot Found\n"), std::string::npos); }},
    };
    for (const auto& [strFormat, check] : cases) {
        SCOPED_TRACE(strFormat);
        CCliResult result = RunCommand({"--format", strFormat, "-O", m_strOutput, "--file", m_strPage});
        EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
        EXPECT_EQ(result.strOut, "");
        check(ReadText(m_strOutput));
    }
}

TEST_F(CliFormat, OutputThatCannotBeWrittenExitsTwoWithTheReason)
{
    CCliResult result = RunCommand({"--format", "sarif", "-O", "no-such-folder/x.sarif", "--file", m_strPage});
    EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
    EXPECT_EQ(result.strOut, "");
    EXPECT_NE(result.strErr.find("no-such-folder/x.sarif: No such file or directory"), std::string::npos)
        << result.strErr;
}

TEST(CliFormatChoice, ConflictingOrUnknownChoicesAreUsageErrors)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--tsv", "--format", "json"}, "--tsv and --format json exclude each other"},
        {{"--json", "--format", "table"}, "--json and --format table exclude each other"},
        {{"--format", "xml"}, "--format: xml not in {"},
        {{"--output", ""}, "--output needs a file name"},
    };
    for (const auto& [args, strMessage] : cases) {
        SCOPED_TRACE(args.back());
        std::vector<std::string> command = args;
        command.push_back("http://127.0.0.1:1/");
        CCliResult result = RunCommand(command);
        EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
        EXPECT_EQ(result.strOut, "");
        EXPECT_NE(result.strErr.find(strMessage), std::string::npos) << result.strErr;
    }
}
