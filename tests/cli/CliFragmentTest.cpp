// Fragment checks through lintrel-cli against loopback servers: a page's
// own sections and other pages', a fragment found before its page is read
// and one after, another host's page read once, documents that cannot be
// searched, and output without fragment checks.
#include "cli/CliResult.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

namespace {

using json = nlohmann::json;

class CliFragments : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_other.AddRoutes({{"/ext.html", 200, "text/html", "<p id=a></p>", {}}});
        m_other.Start();
        const std::string strExt = m_other.GetURL("/ext.html");
        m_site.AddRoutes({
            {"/index.html", 200, "text/html",
                "<section id=usage></section>\n<a href=#usage>u</a><a href=#usagee>v</a>\n"
                "<a href=guide.html#install>i</a><a href=guide.html#instal>j</a>\n"
                "<a href=doc.pdf#page=2>p</a><a href=gone.html#x>g</a>\n"
                "<a href=\""
                    + strExt + "#a\">a</a><a href=\"" + strExt + "#b\">b</a>\n",
                {}},
            {"/guide.html", 200, "text/html", "<h2 id=install></h2><a href=index.html#usage>back</a>", {}},
            {"/doc.pdf", 200, "application/pdf", "%PDF", {}},
            {"/gone.html", 404, "text/html", "", {}},
        });
        m_site.Start();
    }

    // "link: status_code status_text verdict fragment [suggestions]" by link, host written HOST.
    std::map<std::string, std::string> Rows(const CCliResult& result) const
    {
        std::map<std::string, std::string> rows;
        const json document = json::parse(result.strOut);
        for (const json& row : document["rows"]) {
            std::string strLink = row["link"];
            for (const CTestServer* pServer : {&m_site, &m_other})
                if (strLink.rfind(pServer->GetURL(""), 0) == 0)
                    strLink.replace(0, pServer->GetURL("").size(), pServer == &m_site ? "SITE" : "OTHER");
            std::string strRow = std::to_string(row["status_code"].get<int>()) + " "
                + row["status_text"].get<std::string>() + " " + row.value("verdict", "") + " "
                + row.value("fragment", "-");
            if (row.contains("suggestions"))
                strRow += " " + row["suggestions"].dump();
            if (row.contains("fragment_reason"))
                strRow += " (" + row["fragment_reason"].get<std::string>() + ")";
            rows[strLink] = strRow;
        }
        return rows;
    }

    CTestServer m_site;
    CTestServer m_other;
};

TEST_F(CliFragments, EachFragmentIsJudgedInTheDocumentItsRequestAnswered)
{
    const CCliResult result = RunCommand({"-m", "-r", "--json", m_site.GetURL("/index.html")});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    const std::map<std::string, std::string> expected = {
        {"SITE/index.html#usage", "200 OK ok found"},
        {"SITE/index.html#usagee", "200 Fragment not found broken missing [\"usage\"]"},
        {"SITE/guide.html", "200 OK ok -"},
        {"SITE/guide.html#install", "200 OK ok found"},
        {"SITE/guide.html#instal", "200 Fragment not found broken missing [\"install\"]"},
        {"SITE/doc.pdf", "200 OK ok -"},
        {"SITE/doc.pdf#page=2", "200 OK ok unverifiable (not HTML)"},
        {"SITE/gone.html", "404 Not Found broken -"},
        {"SITE/gone.html#x", "404 Not Found broken unchecked"},
        {"OTHER/ext.html", "200 OK ok -"},
        {"OTHER/ext.html#a", "200 OK ok found"},
        {"OTHER/ext.html#b", "200 Fragment not found broken missing [\"a\"]"},
        // Found on a page read after the page it points into.
        {"SITE/index.html", "200 OK ok -"},
    };
    EXPECT_EQ(Rows(result), expected) << result.strOut;
    // Another host's page is read once for both of its fragments, and the
    // site's pages only as the crawl reads them.
    EXPECT_EQ(m_other.CountRequests("GET", "/ext.html"), 1);
    EXPECT_EQ(m_site.CountRequests("GET", "/guide.html"), 1);
    EXPECT_EQ(m_site.CountRequests("GET", "/doc.pdf"), 0);

    const CCliResult sarif = RunCommand({"-m", "-r", "--format", "sarif", m_site.GetURL("/index.html")});
    EXPECT_NE(sarif.strOut.find("\"missing-fragment\""), std::string::npos);
    const CCliResult github = RunCommand({"-m", "-r", "--format", "github", m_site.GetURL("/index.html")});
    EXPECT_NE(github.strOut.find("instal: 200 Fragment not found (did you mean #install?)"), std::string::npos)
        << github.strOut;
}

TEST_F(CliFragments, OneJobGivesWhatManyGiveAndNoFragmentsGivesNoFragmentRows)
{
    const std::string strStart = m_site.GetURL("/index.html");
    const CCliResult many = RunCommand({"-m", "-r", "--json", strStart});
    const CCliResult one = RunCommand({"-m", "-r", "--json", "--jobs", "1", strStart});
    EXPECT_EQ(json::parse(many.strOut)["rows"], json::parse(one.strOut)["rows"]);

    const CCliResult without = RunCommand({"-m", "-r", "--json", "--no-fragments", strStart});
    EXPECT_EQ(without.nExit, EXIT_SOME_BAD);
    const json document = json::parse(without.strOut);
    for (const json& row : document["rows"]) {
        EXPECT_EQ(row["link"].get<std::string>().find('#'), std::string::npos) << row.dump();
        EXPECT_FALSE(row.contains("fragment")) << row.dump();
    }
    EXPECT_EQ(RunCommand({"--no-fragments", strStart}).nExit, EXIT_CANNOT_RUN);
}

} // namespace
