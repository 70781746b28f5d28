// lintrel-cli --modern against real loopback servers, plain and TLS.
#include "cli/CliResult.h"
#include "support/TestAuthority.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using json = nlohmann::json;

// Every kind of link, quoted every way, on lines the test can count.
const char* const START_PAGE = "<!DOCTYPE html>\n" // 1
                               "<html><head><link rel=stylesheet href='style.css'>\n" // 2
                               "<link rel=preconnect href=https://cdn.invalid/><script src=app.js></script>\n" // 3
                               "</head><body><!-- <a href=\"comment.html\"> -->\n" // 4
                               "<a href=a.html>a</a> <a href=\"sub/../a.html\">again</a>\n" // 5
                               "\t<img src=\"pic.png\" srcset=\"pic-2x.png 2x, gone.png 3x\">\n" // 6
                               "<a href=\"mailto:x@example.org\">m</a><a href=\"#top\">t</a>\n" // 7
                               "<a href=\"caf&eacute; page.html\">e</a><a href=\"/moved\">r</a>\n" // 8
                               "<template><a href=\"template.html\"></template>\n" // 9
                               "</body></html>\n";

std::vector<CTestServer::CRoute> Site()
{
    return {{"/index.html", 200, "text/html", START_PAGE, {}}, {"/style.css", 200, "text/css", "", {}},
        {"/app.js", 200, "text/javascript", "", {}},
        {"/a.html", 200, "text/html; charset=ISO-8859-1", "<p>\xe9t\xe9</p><a href='caf\xe9.html'>x</a>", {}},
        {"/pic.png", 200, "image/png", "", {}}, {"/pic-2x.png", 200, "image/png", "", {}},
        // The server matches the decoded path.
        {"/caf\xc3\xa9 page.html", 200, "text/html", "", {}}, {"/moved", 301, "text/html", "", {{"Location", "/dir/"}}},
        {"/dir/", 200, "text/html", "<a href=\"../a.html\">up</a><a href=x.html>x</a>", {}},
        {"/dir/x.html", 200, "text/html", "", {}}};
}

// "referrer | link | code" per row, the start URL's host:port written HOST.
std::vector<std::string> Rows(const json& document, const std::string& strOrigin)
{
    std::vector<std::string> rows;
    auto Short = [&](std::string str) {
        for (std::size_t nAt; (nAt = str.find(strOrigin)) != std::string::npos;)
            str.replace(nAt, strOrigin.size(), "HOST");
        return str;
    };
    for (const json& row : document["rows"])
        rows.push_back(Short(row["referrer"].get<std::string>()) + " | " + Short(row["link"].get<std::string>()) + " | "
            + std::to_string(row["status_code"].get<int>()));
    return rows;
}

} // namespace

TEST(CliModern, EveryKindOfLinkIsFoundResolvedAndCheckedAlikeForEveryNumberOfJobs)
{
    CTestServer server;
    server.AddRoutes(Site());
    server.Start();
    const std::string strOrigin = server.GetURL("");
    const std::vector<std::string> expected = {
        "HOST/index.html | HOST/style.css | 200",
        "HOST/index.html | HOST/app.js | 200",
        "HOST/index.html | HOST/a.html | 200",
        "HOST/index.html | HOST/pic.png | 200",
        "HOST/index.html | HOST/pic-2x.png | 200",
        "HOST/index.html | HOST/gone.png | 404",
        // A part of the page itself: the top of the document.
        "HOST/index.html | HOST/index.html#top | 200",
        "HOST/index.html | HOST/caf%C3%A9%20page.html | 200",
        "HOST/index.html | HOST/moved | 200",
        // A page is named by where its answer came from; windows-1252 read as such.
        "HOST/a.html | HOST/caf%C3%A9.html | 404",
        "HOST/dir/ | HOST/dir/x.html | 200",
    };
    std::string strFirstOut;
    for (const char* pszJobs : {"1", "16"}) {
        SCOPED_TRACE(pszJobs);
        CCliResult result = RunCommand({"-m", "-r", "--json", "--jobs", pszJobs, server.GetURL("/index.html")});
        EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
        const json document = json::parse(result.strOut);
        EXPECT_EQ(Rows(document, strOrigin), expected);
        // Each place, in document order: the second a.html is the same link.
        EXPECT_EQ(document["rows"][2]["occurrences"],
            json::parse("[{\"page\":\"" + strOrigin
                + "/index.html\",\"line\":5,\"column\":1},"
                  "{\"page\":\""
                + strOrigin
                + "/index.html\",\"line\":5,\"column\":22},"
                  "{\"page\":\""
                + strOrigin + "/dir/\",\"line\":1,\"column\":1}]"));
        EXPECT_EQ(document["rows"][3]["occurrences"][0]["column"], 2); // after a tab
        const std::string strRows = result.strOut.substr(0, result.strOut.find("\"elapsed_seconds\""));
        if (strFirstOut.empty())
            strFirstOut = strRows;
        EXPECT_EQ(strRows, strFirstOut);
    }
}

TEST(CliModern, HttpsIsCheckedWithTheTrustGivenAndACertificateFailureIsAFailedCheck)
{
    CTestAuthority authority;
    CTestServer secure(authority.IssueServerIdentity());
    secure.AddRoutes({{"/index.html", 200, "text/html", "<a href=ok.html>ok</a><a href=missing.html>m</a>", {}},
        {"/ok.html", 200, "text/html", "", {}}});
    secure.Start();
    CTestServer untrusted(CTlsIdentity::MakeServer(nullptr));
    untrusted.AddRoute({"/page.html", 200, "text/html", "", {}});
    untrusted.Start();
    CTestServer plain;
    plain.AddRoute({"/index.html", 200, "text/html",
        "<a href=\"" + secure.GetURL("/ok.html") + "\">s</a><a href=\"" + untrusted.GetURL("/page.html") + "\">u</a>",
        {}});
    plain.Start();

    CCliResult trusted
        = RunCommand({"-m", "-r", "--tsv", "--cacert", authority.GetCAFile(), secure.GetURL("/index.html")});
    EXPECT_EQ(trusted.nExit, EXIT_SOME_BAD) << trusted.strErr;
    EXPECT_NE(trusted.strOut.find(secure.GetURL("/ok.html") + "\t200\tOK"), std::string::npos) << trusted.strOut;
    EXPECT_NE(trusted.strOut.find(secure.GetURL("/missing.html") + "\t404"), std::string::npos) << trusted.strOut;

    CCliResult unknown = RunCommand({"-m", secure.GetURL("/index.html")});
    EXPECT_EQ(unknown.nExit, EXIT_CANNOT_RUN);
    EXPECT_NE(unknown.strErr.find("certificate"), std::string::npos) << unknown.strErr;

    CCliResult mixed = RunCommand({"-m", "--tsv", "--cacert", authority.GetCAFile(), plain.GetURL("/index.html")});
    EXPECT_NE(mixed.strOut.find(secure.GetURL("/ok.html") + "\t200\tOK"), std::string::npos) << mixed.strOut;
    EXPECT_NE(mixed.strOut.find(untrusted.GetURL("/page.html") + "\t300\tSSL certificate problem"), std::string::npos)
        << mixed.strOut;
}

TEST(CliModern, ALocalPageGivenAloneHasItsWebAndRelativeLinksChecked)
{
    CTestServer server;
    server.AddRoute({"/ok.html", 200, "text/html", "", {}});
    server.Start();
    const std::string strPath = TempPath("modern-local", ".html");
    const std::string strBeside = TempPath("modern-beside", ".html");
    const std::string strBesideName = std::filesystem::path(strBeside).filename().string();
    std::ofstream(strBeside) << "beside\n";
    std::ofstream(strPath) << "<a href='" << server.GetURL("/ok.html") << "'>web</a> <a href=" << strBesideName
                           << ">here</a> <a href=missing-beside.html>gone</a>\n";
    CCliResult result = RunCommand({"-m", "--tsv", "--file", strPath});
    std::remove(strPath.c_str());
    std::remove(strBeside.c_str());
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    const std::string strFolder = "file://" + std::filesystem::path(strPath).parent_path().string() + "/";
    const std::string strPage = "file://" + strPath + "\t";
    EXPECT_EQ(result.strOut,
        strPage + server.GetURL("/ok.html") + "\t200\tOK\n" + strPage + strFolder + strBesideName + "\t200\tOK\n"
            + strPage + strFolder + "missing-beside.html\t404\tNot Found\n");
}

TEST(CliModern, ALinkTooLongToRequestIsListedAsFailedWithoutARequest)
{
    // Short enough as written; only resolved against the page is it too long.
    CTestServer server;
    server.AddRoute({"/index.html", 200, "text/html", "<a href=\"" + std::string(65530, 'x') + "\">long</a>", {}});
    server.Start();
    CCliResult result = RunCommand({"-m", "--json", server.GetURL("/index.html")});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    const json row = json::parse(result.strOut)["rows"][0];
    EXPECT_EQ(row["status_code"], 300);
    EXPECT_EQ(row["status_text"], "URL too long");
    EXPECT_EQ(server.GetRequests(), std::vector<std::string> {"GET /index.html"});
}

TEST(CliModern, TheDefaultModeSaysOnceHowManyHttpsLinksItLeftUnchecked)
{
    CTestServer server;
    server.AddRoute({"/index.html", 200, "text/html",
        "<A HREF=\"https://127.0.0.1:1/a\">a</A> <A HREF=\"https://127.0.0.1:1/a\">a</A> "
        "<A HREF=\"https://127.0.0.1:1/b\">b</A> <A HREF=\"plain.html\">p</A>\n",
        {}});
    server.AddRoute({"/plain.html", 200, "text/html", "", {}});
    server.Start();
    CCliResult result = RunCommand({"--tsv", server.GetURL("/index.html")});
    EXPECT_EQ(result.nExit, EXIT_ALL_GOOD);
    EXPECT_EQ(result.strErr, "lintrel-cli: 2 distinct https links were not checked; --modern checks them\n");
}
