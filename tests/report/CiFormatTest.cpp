#include "link/Link.h"
#include "link/LinkArray.h"
#include "report/CrawlSummary.h"
#include "report/GithubWriter.h"
#include "report/JUnitWriter.h"
#include "report/MarkdownWriter.h"
#include "report/SarifWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using json = nlohmann::json;

// A URL with every character the formats must escape somewhere.
const char* const ODD_URL = "http://127.0.0.1/a|b%25,c:d";

// One small crawl: a local page (below the current folder, its name with a
// space) and a web page; a good link, a bad one found on both pages, and a
// bad one the crawl noted no place for, whose reason phrase holds CR, LF
// and an escape byte.
class CiFormat : public ::testing::Test {
protected:
    CiFormat()
        : m_local("file://" + (std::filesystem::current_path() / "site dir/index.html").string(), nullptr)
        , m_web("http://127.0.0.1/web.html", nullptr)
    {
        AddLink("http://127.0.0.1/good", 200, "OK");
        CLink* pOdd = AddLink(ODD_URL, 404, "Not Found");
        pOdd->AddOccurrence({&m_local, 3, 5});
        pOdd->AddOccurrence({&m_web, 7, 2});
        AddLink("http://127.0.0.1/gone", 500, "Bad\r\nthing\x1b[2J");
    }

    CLink* AddLink(const std::string& strURL, int nCode, const std::string& strText)
    {
        auto pLink = std::make_unique<CLink>(strURL, &m_web);
        pLink->SetStatus(nCode, strText);
        CLink* pAdded = pLink.get();
        m_links.Add(std::move(pLink));
        return pAdded;
    }

    template <class TWriter> std::string Write(bool bVerdicts = false) const
    {
        CCrawlSummary summary(m_links, 2, 1.25);
        summary.m_bVerdicts = bVerdicts;
        summary.m_strVersion = "9.8.7";
        std::ostringstream out;
        TWriter(m_links, summary).Write(out);
        return out.str();
    }

    CLink m_local;
    CLink m_web;
    CLinkArray m_links;
};

TEST_F(CiFormat, SarifHasOneResultPerPlaceOfABadLink)
{
    const json document = json::parse(Write<CSarifWriter>());
    EXPECT_EQ(document["version"], "2.1.0");
    ASSERT_EQ(document["runs"].size(), 1U);
    const json& run = document["runs"][0];
    EXPECT_EQ(run["columnKind"], "unicodeCodePoints");
    EXPECT_EQ(run["tool"]["driver"]["name"], "Lintrel");
    EXPECT_EQ(run["tool"]["driver"]["version"], "9.8.7");
    const json& results = run["results"];
    ASSERT_EQ(results.size(), 3U);
    const std::string strOdd = std::string(ODD_URL) + ": 404 Not Found";
    const std::vector<std::tuple<std::string, std::string, int, int>> expected = {
        {strOdd, "site%20dir/index.html", 3, 5},
        {strOdd, "http://127.0.0.1/web.html", 7, 2},
        {"http://127.0.0.1/gone: 500 Bad\r\nthing\x1b[2J", "http://127.0.0.1/web.html", 0, 0},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& [strMessage, strURI, nLine, nColumn] = expected[i];
        EXPECT_EQ(results[i]["ruleId"], "broken-link");
        EXPECT_EQ(results[i]["level"], "error");
        EXPECT_EQ(results[i]["message"]["text"], strMessage);
        const json& location = results[i]["locations"][0]["physicalLocation"];
        EXPECT_EQ(location["artifactLocation"]["uri"], strURI);
        EXPECT_EQ(location.contains("region"), nLine != 0);
        if (nLine != 0) {
            EXPECT_EQ(location["region"]["startLine"], nLine);
            EXPECT_EQ(location["region"]["startColumn"], nColumn);
        }
    }
}

TEST_F(CiFormat, SarifNamesEveryRuleOfTheMode)
{
    const std::vector<std::pair<bool, std::vector<std::pair<std::string, std::string>>>> cases = {
        {false, {{"broken-link", "error"}}},
        {true, {{"broken-link", "error"}, {"blocked-link", "warning"}, {"transient-link", "warning"}}},
    };
    for (const auto& [bModern, expected] : cases) {
        SCOPED_TRACE(bModern ? "modern" : "default");
        const json document = json::parse(bModern ? Write<CSarifWriter>(true) : Write<CSarifWriter>());
        std::vector<std::pair<std::string, std::string>> rules;
        for (const json& rule : document["runs"][0]["tool"]["driver"]["rules"])
            rules.emplace_back(rule["id"], rule["defaultConfiguration"]["level"]);
        EXPECT_EQ(rules, expected);
    }
}

TEST_F(CiFormat, SarifPathsAreRelativeUriReferences)
{
    EXPECT_EQ(CSarifWriter::EncodePath("a b/c:d%e#f?g\xc3\xa9.html"), "a%20b/c%3Ad%25e%23f%3Fg%C3%A9.html");
}

TEST_F(CiFormat, JUnitHasACaseForEveryLinkAndAFailureForEachBadOne)
{
    const std::string strText = Write<CJUnitWriter>();
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(strText.c_str())) << strText;
    const pugi::xml_node suite = document.child("testsuite");
    EXPECT_STREQ(suite.attribute("name").value(), "lintrel");
    EXPECT_EQ(suite.attribute("tests").as_int(), 3);
    EXPECT_EQ(suite.attribute("failures").as_int(), 2);
    EXPECT_EQ(suite.attribute("skipped").as_int(), 0);
    const std::vector<std::tuple<std::string, std::string, std::string>> expected = {
        {"http://127.0.0.1/good", "http://127.0.0.1/web.html", ""},
        {ODD_URL, "site dir/index.html", "404 Not Found"},
        {"http://127.0.0.1/gone", "http://127.0.0.1/web.html", "500 Bad  thing [2J"},
    };
    std::size_t i = 0;
    for (const pugi::xml_node testcase : suite.children("testcase")) {
        ASSERT_LT(i, expected.size());
        const auto& [strName, strClass, strFailure] = expected[i++];
        SCOPED_TRACE(strName);
        EXPECT_EQ(testcase.attribute("name").value(), strName);
        EXPECT_EQ(testcase.attribute("classname").value(), strClass);
        EXPECT_EQ(testcase.child("failure").attribute("message").value(), strFailure);
        EXPECT_EQ(testcase.child("failure").text().get(), strFailure);
    }
    EXPECT_EQ(i, expected.size());
}

TEST(JUnitWriter, EscapeKeepsTheDocumentWellFormed)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<a href=\"x\">&'", "&lt;a href=&quot;x&quot;&gt;&amp;&apos;"},
        {"a\x01\tb\x7f", "a  b "},
        {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"\xff\xc3(\xef\xbf\xbf", "\xef\xbf\xbd\xef\xbf\xbd(\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
    };
    for (const auto& [strIn, strOut] : cases) {
        SCOPED_TRACE(::testing::PrintToString(strIn));
        EXPECT_EQ(CJUnitWriter::Escape(strIn), strOut);
    }
}

TEST_F(CiFormat, MarkdownTitleSummaryAndTheBadLinks)
{
    EXPECT_EQ(Write<CMarkdownWriter>(),
        "# Lintrel link check\n\n"
        "3 links: 1 good, 2 bad; 2 pages fetched in 1.2 s.\n\n"
        "| Page | Link | Status |\n|---|---|---|\n"
        "| site dir/index.html | http://127.0.0.1/a\\|b%25,c:d | 404 Not Found |\n"
        "| http://127.0.0.1/web.html | http://127.0.0.1/gone | 500 Bad  thing [2J |\n");
}

TEST(MarkdownWriter, NothingBadGivesTitleAndSummaryOnly)
{
    CLinkArray links;
    links.Add(std::make_unique<CLink>("http://127.0.0.1/good", nullptr));
    links.GetAt(1)->SetStatus(200, "OK");
    std::ostringstream out;
    CMarkdownWriter(links, CCrawlSummary(links, 1, 0.04)).Write(out);
    EXPECT_EQ(out.str(), "# Lintrel link check\n\n1 link: 1 good, 0 bad; 1 page fetched in 0.0 s.\n");
}

TEST_F(CiFormat, GithubLinesForEveryPlaceInRowOrder)
{
    EXPECT_EQ(Write<CGithubWriter>(),
        "::error file=site dir/index.html,line=3,col=5::http://127.0.0.1/a|b%2525,c:d: 404 Not Found\n"
        "::error::http://127.0.0.1/a|b%2525,c:d: 404 Not Found (found on http://127.0.0.1/web.html)\n"
        "::error::http://127.0.0.1/gone: 500 Bad%0D%0Athing [2J (found on http://127.0.0.1/web.html)\n");
}

TEST(GithubWriter, PropertiesEscapeColonsAndCommasToo)
{
    EXPECT_EQ(CGithubWriter::EscapeData("a%b:c,d\re\nf"), "a%25b:c,d%0De%0Af");
    EXPECT_EQ(CGithubWriter::EscapeProperty("a%b:c,d\re\nf"), "a%25b%3Ac%2Cd%0De%0Af");
}

} // namespace
