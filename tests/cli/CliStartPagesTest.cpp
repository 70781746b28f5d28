// Several start pages with lintrel-cli --modern: URLs, --urls-from,
// sitemaps, and the stylesheets a crawl reads; real loopback servers.
#include "cli/CliResult.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using json = nlohmann::json;

// "referrer | link | code" per row, the server's origin written HOST.
std::vector<std::string> Rows(const std::string& strJson, const std::string& strOrigin)
{
    std::vector<std::string> rows;
    auto Short = [&](std::string str) {
        for (std::size_t nAt; (nAt = str.find(strOrigin)) != std::string::npos;)
            str.replace(nAt, strOrigin.size(), "HOST");
        return str;
    };
    const json document = json::parse(strJson);
    for (const json& row : document["rows"])
        rows.push_back(Short(row["referrer"].is_null() ? std::string() : row["referrer"].get<std::string>()) + " | "
            + Short(row["link"].get<std::string>()) + " | " + std::to_string(row["status_code"].get<int>()));
    return rows;
}

std::string Gzip(const std::string& strText)
{
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string strOut(deflateBound(&stream, static_cast<uLong>(strText.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(strText.data()));
    stream.avail_in = static_cast<uInt>(strText.size());
    stream.next_out = reinterpret_cast<Bytef*>(strOut.data());
    stream.avail_out = static_cast<uInt>(strOut.size());
    deflate(&stream, Z_FINISH);
    strOut.resize(stream.total_out);
    deflateEnd(&stream);
    return strOut;
}

// One over the bound of <loc> entries in a sitemap file.
constexpr std::size_t OVER_THE_BOUND = 50001;

std::string UrlSet(const std::vector<std::string>& urls)
{
    std::string strXml = "<?xml version=\"1.0\"?>\n<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    for (const std::string& strURL : urls)
        strXml += "<url><loc>\n  " + strURL + "\n</loc></url>\n";
    return strXml + "</urlset>\n";
}

// Two sites in two folders of one host: /a/ links into /b/ and /c/; /b/
// links deeper into itself.
std::vector<CTestServer::CRoute> TwoScopes()
{
    return {{"/a/", 200, "text/html", "<a href=\"x.html\">x</a>\n<a href=\"/b/deep.html\">b</a>\n<a href=\"/c/\">c</a>",
                {}},
        {"/a/x.html", 200, "text/html", "<a href=\"gone.html\">g</a>", {}},
        {"/b/", 200, "text/html", "<a href=\"deep.html\">d</a>", {}},
        {"/b/deep.html", 200, "text/html", "<a href=\"deeper.html\">d</a>", {}},
        {"/b/deeper.html", 200, "text/html", "", {}}, {"/c/", 200, "text/html", "<a href=\"c2.html\">c</a>", {}}};
}

} // namespace

TEST(CliStartPages, EachStartPageHasItsOwnScopeAndOneThatFailsIsARow)
{
    CTestServer server;
    server.AddRoutes(TwoScopes());
    server.Start();
    const std::string strOrigin = server.GetURL("");
    CCliResult result
        = RunCommand({"-m", "-r", "--json", server.GetURL("/a/"), server.GetURL("/b/"), server.GetURL("/none/")});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    EXPECT_EQ(Rows(result.strOut, strOrigin),
        (std::vector<std::string> {"HOST/a/ | HOST/a/x.html | 200", "HOST/a/ | HOST/b/deep.html | 200",
            "HOST/a/ | HOST/c/ | 200", " | HOST/none/ | 404", "HOST/a/x.html | HOST/a/gone.html | 404",
            "HOST/b/deep.html | HOST/b/deeper.html | 200"}));
    // /b/deep.html is crawled as /b/'s page, though /a/ named it first;
    // /c/ lies in no start page's scope.
    EXPECT_EQ(server.CountRequests("GET", "/b/deep.html"), 1);
    EXPECT_EQ(server.CountRequests("GET", "/c/"), 0);

    // One start URL that cannot be read stays the run's failure.
    CCliResult unreachable = RunCommand({"-m", "http://127.0.0.1:1/", server.GetURL("/b/")});
    EXPECT_EQ(unreachable.nExit, EXIT_SOME_BAD) << unreachable.strErr;
    EXPECT_NE(unreachable.strOut.find("http://127.0.0.1:1/"), std::string::npos) << unreachable.strOut;
    EXPECT_EQ(RunCommand({"-m", "http://127.0.0.1:1/"}).nExit, EXIT_CANNOT_RUN);
}

TEST(CliStartPages, UrlsFromAFileOneALine)
{
    CTestServer server;
    server.AddRoutes(TwoScopes());
    server.Start();
    const std::filesystem::path list = TempPath("urls", ".txt");
    std::ofstream(list, std::ios::binary)
        << "# entry points\r\n"
        << server.GetURL("/a/x.html") << "\r\n\r\n  " << server.GetURL("/b/#not-a-comment") << "  \n";
    CCliResult result = RunCommand({"-m", "--json", "--urls-from", list.string()});
    std::filesystem::remove(list);
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    EXPECT_EQ(Rows(result.strOut, server.GetURL("")),
        (std::vector<std::string> {"HOST/a/x.html | HOST/a/gone.html | 404", "HOST/b/ | HOST/b/deep.html | 200"}));
    CCliResult missing = RunCommand({"-m", "--urls-from", "/no/such/list.txt"});
    EXPECT_EQ(missing.nExit, EXIT_CANNOT_RUN);
    EXPECT_EQ(
        missing.strErr, "lintrel-cli: cannot read the --urls-from file /no/such/list.txt: No such file or directory\n");
    EXPECT_EQ(RunCommand({server.GetURL("/a/"), server.GetURL("/b/")}).nExit, EXIT_CANNOT_RUN); // needs --modern
}

TEST(CliStartPages, ASitemapIndexItsChildrenAndTheirBounds)
{
    CTestServer server;
    const auto URL = [&server](const char* pszPath) { return server.GetURL(pszPath); };
    // 50,001 entries, duplicates counted: the last one and what follows are cut.
    std::vector<std::string> many(OVER_THE_BOUND, URL("/over.html"));
    many.push_back(URL("/cut.html"));
    const std::string strIndex = "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><sitemap><loc>"
        + URL("/one.xml") + "</loc></sitemap><sitemap><loc>" + URL("/two.xml.gz") + "</loc></sitemap><sitemap><loc>"
        + URL("/over.xml") + "</loc></sitemap></sitemapindex>";
    server.AddRoutes({{"/index.xml", 200, "application/xml", strIndex, {}},
        {"/one.xml", 200, "application/xml", UrlSet({URL("/a.html"), URL("/missing.html"), "file:///etc/passwd"}), {}},
        {"/two.xml.gz", 200, "application/gzip", Gzip(UrlSet({URL("/b.html")})), {}},
        {"/over.xml", 200, "text/xml", UrlSet(many), {}}, {"/a.html", 200, "text/html", "<a href=b.html>b</a>", {}},
        {"/b.html", 200, "text/html", "", {}}, {"/over.html", 200, "text/html", "", {}},
        {"/cut.html", 200, "text/html", "", {}}});
    server.Start();
    CCliResult result = RunCommand({"-m", "--json", "--sitemap", URL("/index.xml")});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    // The entry that is 404 is a row under its sitemap; the others are start pages.
    EXPECT_EQ(Rows(result.strOut, server.GetURL("")),
        (std::vector<std::string> {"HOST/a.html | HOST/b.html | 200", "HOST/one.xml | HOST/missing.html | 404"}));
    EXPECT_EQ(result.strErr,
        "lintrel-cli: the sitemap " + URL("/one.xml") + " names 1 URL that is not http or https; ignored\n"
            + "lintrel-cli: the sitemap " + URL("/over.xml")
            + " is over the sitemap bound of 50,000 URLs or 50 MiB; the rest of it was ignored\n");
    EXPECT_EQ(server.CountRequests("GET", "/b.html"), 1);
    EXPECT_EQ(server.CountRequests("GET", "/over.html"), 1);
    EXPECT_EQ(server.CountRequests("GET", "/cut.html"), 0);
}

TEST(CliStartPages, ASitemapFileExpandsNoEntityAndFetchesNone)
{
    CTestServer server;
    server.AddRoutes({{"/a.html", 200, "text/html", "", {}}, {"/secret", 200, "text/plain", "x", {}}});
    server.Start();
    const std::filesystem::path path = TempPath("sitemap", ".xml");
    std::ofstream(path) << "<?xml version=\"1.0\"?>\n<!DOCTYPE urlset [<!ENTITY ext SYSTEM \""
                        << server.GetURL("/secret")
                        << "\"><!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                        << "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>\n<urlset><url><loc>"
                        << server.GetURL("/a.html") << "</loc></url><url><loc>" << server.GetURL("/&ext;&c;")
                        << "</loc></url></urlset>\n";
    CCliResult result = RunCommand({"-m", "--json", "--sitemap", path.string()});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    // The entity references stay text: a URL with them, which the server does not have.
    EXPECT_EQ(
        Rows(result.strOut, server.GetURL("")), std::vector<std::string> {path.string() + " | HOST/&ext;&c; | 404"});
    EXPECT_EQ(server.CountRequests("GET", "/secret"), 0);
    std::filesystem::remove(path);
    CCliResult missing = RunCommand({"-m", "--sitemap", "/no/such/sitemap.xml"});
    EXPECT_EQ(missing.nExit, EXIT_CANNOT_RUN);
    EXPECT_EQ(missing.strErr, "lintrel-cli: cannot read the sitemap /no/such/sitemap.xml: No such file or directory\n");
}

TEST(CliStartPages, TheSitemapsOfRobotsTxt)
{
    CTestServer server;
    server.AddRoutes({{"/robots.txt", 200, "text/plain",
                          "User-agent: *\r\nDisallow:\r\nSITEMAP: " + server.GetURL("/map.xml") + "\r\n", {}},
        {"/map.xml", 200, "application/xml", UrlSet({server.GetURL("/listed.html")}), {}},
        {"/", 200, "text/html", "", {}}, {"/listed.html", 200, "text/html", "<a href=/gone>g</a>", {}}});
    server.Start();
    CCliResult result = RunCommand({"-m", "--json", "--sitemap", "robots", server.GetURL("/")});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    EXPECT_EQ(Rows(result.strOut, server.GetURL("")), std::vector<std::string> {"HOST/listed.html | HOST/gone | 404"});
}

TEST(CliStartPages, StylesheetsOfTheSiteAreReadAndOthersOnlyChecked)
{
    CTestServer other;
    other.AddRoutes({{"/far.css", 200, "text/css", "a{b:url(never.png)}", {}}});
    other.Start();
    CTestServer server;
    server.AddRoutes(
        {{"/", 200, "text/html",
             "<link rel=stylesheet href=\"site.css\">\n<link rel=stylesheet href=\"" + other.GetURL("/far.css") + "\">",
             {}},
            {"/site.css", 200, "text/css; charset=utf-8",
                "@import \"more.css\";\nbody {\n  background: url( img/bg.png );\n}\n", {}},
            {"/more.css", 200, "text/css", "/* url(no.png) */ p{b:url('gone.png')}", {}},
            {"/img/bg.png", 200, "image/png", "", {}}});
    server.Start();
    CCliResult result = RunCommand({"-m", "-r", "--json", server.GetURL("/")});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    const std::string strOrigin = server.GetURL("");
    EXPECT_EQ(Rows(result.strOut, strOrigin),
        (std::vector<std::string> {"HOST/ | HOST/site.css | 200", "HOST/ | " + other.GetURL("/far.css") + " | 200",
            "HOST/site.css | HOST/more.css | 200", "HOST/site.css | HOST/img/bg.png | 200",
            "HOST/more.css | HOST/gone.png | 404"}));
    const json rows = json::parse(result.strOut)["rows"];
    EXPECT_EQ(rows[2]["occurrences"], json::parse(R"([{"page":")" + strOrigin + R"(/site.css","line":1,"column":9}])"));
    EXPECT_EQ(rows[3]["occurrences"][0]["line"], 3);
    EXPECT_EQ(rows[3]["occurrences"][0]["column"], 15);
    EXPECT_EQ(other.CountRequests("GET", "/far.css"), 0);
    // Without -r no page beyond the start page is read, stylesheets neither.
    CCliResult flat = RunCommand({"-m", "--json", server.GetURL("/")});
    EXPECT_EQ(Rows(flat.strOut, strOrigin).size(), 2u) << flat.strOut;
}

TEST(CliStartPages, EachStartHostsRobotsTxtIsObeyedOnItsOwnPages)
{
    CTestServer first;
    first.AddRoutes({{"/", 200, "text/html", "<a href=\"/private/a.html\">a</a>", {}},
        {"/private/a.html", 200, "text/html", "", {}}});
    first.Start();
    CTestServer second("127.0.0.2");
    second.AddRoutes({{"/robots.txt", 200, "text/plain", "User-agent: *\nDisallow: /private/\n", {}},
        {"/", 200, "text/html", "<a href=\"/private/b.html\">b</a>", {}},
        {"/private/b.html", 200, "text/html", "", {}}});
    second.Start();
    CCliResult result = RunCommand({"-m", "-r", "--json", first.GetURL("/"), second.GetURL("/")});
    EXPECT_EQ(result.nExit, EXIT_ALL_GOOD) << result.strErr;
    EXPECT_EQ(json::parse(result.strOut)["summary"]["robots_skipped"], 1) << result.strOut;
    EXPECT_EQ(first.CountRequests("GET", "/private/a.html"), 1);
    EXPECT_EQ(second.CountRequests("GET", "/private/b.html"), 0);
    EXPECT_EQ(second.CountRequests("GET", "/robots.txt"), 1);
}
