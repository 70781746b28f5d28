// lintrel-cli --modern --cache against loopback sites whose pages send ETags.
#include "cli/CliResult.h"
#include "support/ChildProgram.h"
#include "support/PollUntil.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

namespace {

using json = nlohmann::json;
namespace fs = std::filesystem;

// Answers every path it was given, GET and HEAD; an HTML page carries an
// ETag and answers a matching If-None-Match with 304. Bodies may change
// between runs; other answers may be slowed down.
class CRevalidatingSite {
public:
    CRevalidatingSite()
    {
        m_server.GetServer().Get(
            ".*", [this](const httplib::Request& request, httplib::Response& response) { Answer(request, response); });
        m_server.Start();
    }

    void Set(const std::string& strPath, int nStatus, const std::string& strBody = "")
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_answers[strPath] = {nStatus, strBody};
    }
    void SetDelay(int nMilliseconds) { m_nDelay = nMilliseconds; }
    std::string GetURL(const std::string& strPath) const { return m_server.GetURL(strPath); }
    // "METHOD /path", " if-none-match" added to conditional ones, sorted.
    std::vector<std::string> TakeRequests()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string> requests = std::move(m_requests);
        m_requests.clear();
        std::sort(requests.begin(), requests.end());
        return requests;
    }

private:
    void Answer(const httplib::Request& request, httplib::Response& response)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const bool bConditional = request.has_header("If-None-Match");
        m_requests.push_back(request.method + " " + request.path + (bConditional ? " if-none-match" : ""));
        const auto [nStatus, strBody] = m_answers.count(request.path) ? m_answers[request.path] : std::pair(404, "");
        lock.unlock();
        const bool bPage = strBody.find('<') != std::string::npos;
        if (!bPage)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_nDelay.load()));
        const std::string strETag = "\"" + std::to_string(std::hash<std::string>()(strBody)) + "\"";
        if (bPage && request.get_header_value("If-None-Match") == strETag) {
            response.status = 304;
            return;
        }
        if (bPage)
            response.set_header("ETag", strETag);
        response.status = nStatus;
        response.set_content(strBody, bPage ? "text/html" : "image/png");
    }

    std::mutex m_mutex;
    std::map<std::string, std::pair<int, std::string>> m_answers;
    std::vector<std::string> m_requests;
    std::atomic<int> m_nDelay {0};
    CTestServer m_server;
};

// The output without what a cache may change: the cached fields and the time.
std::string Comparable(const std::string& strOut)
{
    json document = json::parse(strOut);
    for (json& row : document["rows"])
        row.erase("cached");
    document["summary"].erase("cached");
    document["summary"].erase("elapsed_seconds");
    return document.dump(1);
}

int CountCached(const std::string& strOut)
{
    return json::parse(strOut)["summary"].value("cached", -1);
}

void RunSql(const fs::path& path, const char* pszSql)
{
    sqlite3* pDb = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &pDb), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(pDb, pszSql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(pDb);
    sqlite3_close(pDb);
}

// The results a cache file holds committed; 0 while it cannot be read.
int CountStoredResults(const fs::path& path)
{
    sqlite3* pDb = nullptr;
    int nCount = 0;
    if (sqlite3_open_v2(path.c_str(), &pDb, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* pCount = nullptr;
        if (sqlite3_prepare_v2(pDb, "SELECT count(*) FROM results", -1, &pCount, nullptr) == SQLITE_OK
            && sqlite3_step(pCount) == SQLITE_ROW)
            nCount = sqlite3_column_int(pCount, 0);
        sqlite3_finalize(pCount);
    }
    sqlite3_close(pDb);
    return nCount;
}

void WriteFile(const fs::path& path, const std::string& strBytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << strBytes;
}

const char* Program()
{
    const char* pszProgram = std::getenv("LINTREL_CLI");
    return pszProgram ? pszProgram : "lintrel-cli";
}

// A start page naming nLinks slow links, and a fresh cache file for it.
struct SSlowSite {
    explicit SSlowSite(int nLinks, int nDelay)
    {
        std::vector<std::string> hrefs;
        for (int nLink = 0; nLink < nLinks; ++nLink) {
            hrefs.push_back("s/" + std::to_string(nLink));
            site.Set("/s/" + std::to_string(nLink), 200);
        }
        site.Set("/", 200, Page(hrefs));
        site.SetDelay(nDelay);
        fs::remove(cache);
    }
    ~SSlowSite()
    {
        for (const char* pszSuffix : {"", "-wal", "-shm"})
            fs::remove(cache.string() + pszSuffix);
    }
    // One request at a time, so the run lasts nLinks times the delay.
    std::vector<std::string> Args() const
    {
        return {"-m", "-j", "1", "--json", "--cache", cache.string(), site.GetURL("/")};
    }

    CRevalidatingSite site;
    fs::path cache = TempPath("slow-cache", ".db");
};

} // namespace

TEST(CliCache, AnUnchangedSiteCostsOneConditionalGetPerPageAndFailuresAreAskedAgain)
{
    CRevalidatingSite site;
    site.Set("/", 200, Page({"a.html", "b.png", "broken.html"}));
    site.Set("/a.html", 200, Page({"c.png", "b.png"}));
    site.Set("/b.png", 200);
    site.Set("/c.png", 200);
    const fs::path cache = TempPath("cache", ".db");
    fs::remove(cache);
    const std::vector<std::string> args = {"-m", "-r", "--json", "--cache", cache.string(), site.GetURL("/")};
    const CCliResult first = RunCommand(args);
    ASSERT_EQ(first.nExit, 1) << first.strErr;
    EXPECT_EQ(CountCached(first.strOut), 0);
    site.TakeRequests();
    for (const std::vector<std::string>& jobs : {std::vector<std::string>(), std::vector<std::string> {"-j", "1"}}) {
        // robots.txt is read afresh once a run: the site may have changed it.
        SCOPED_TRACE(jobs.empty() ? "default jobs" : "one job");
        std::vector<std::string> again = args;
        again.insert(again.begin(), jobs.begin(), jobs.end());
        const CCliResult second = RunCommand(again);
        EXPECT_EQ(second.nExit, 1);
        EXPECT_EQ(second.strErr, "");
        EXPECT_EQ(Comparable(second.strOut), Comparable(first.strOut));
        EXPECT_EQ(CountCached(second.strOut), 3);
        EXPECT_EQ(site.TakeRequests(),
            (std::vector<std::string> {
                "GET / if-none-match", "GET /a.html if-none-match", "GET /robots.txt", "HEAD /broken.html"}));
    }
    // A page that changed is read again and its new link checked; the
    // broken link, fixed since, is found fixed.
    site.Set("/a.html", 200, Page({"c.png", "d.png"}));
    site.Set("/d.png", 200);
    site.Set("/broken.html", 200);
    const CCliResult third = RunCommand(args);
    EXPECT_EQ(third.nExit, 0) << third.strOut;
    EXPECT_EQ(site.TakeRequests(),
        (std::vector<std::string> {"GET / if-none-match", "GET /a.html if-none-match", "GET /robots.txt",
            "HEAD /broken.html", "HEAD /d.png"}));
    const json rows = json::parse(third.strOut)["rows"];
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[2]["link"], site.GetURL("/broken.html"));
    EXPECT_FALSE(rows[2].contains("cached"));
    EXPECT_EQ(rows[4]["link"], site.GetURL("/d.png"));
    EXPECT_FALSE(rows[4].contains("cached"));
    fs::remove(cache);
}

TEST(CliCache, AFileThatIsNoCacheIsRefusedAndLeftExactlyAsItWas)
{
    CRevalidatingSite site;
    site.Set("/", 200, Page({"b.png"}));
    site.Set("/b.png", 200);
    const fs::path made = TempPath("made-cache", ".db");
    fs::remove(made);
    ASSERT_EQ(RunCommand({"-m", "--cache", made.string(), site.GetURL("/")}).nExit, 0);
    const std::string strMade = ReadFile(made);
    ASSERT_GT(strMade.size(), 4096u);
    const struct {
        const char* pszName;
        std::function<void(const fs::path&)> make;
        bool bRefused;
    } cases[] = {
        {"missing", [](const fs::path&) {}, false},
        {"empty", [](const fs::path& path) { WriteFile(path, ""); }, false},
        {"SQLite without tables", [](const fs::path& path) { RunSql(path, "CREATE TABLE x(a); DROP TABLE x"); }, false},
        {"text", [](const fs::path& path) { WriteFile(path, "results\n"); }, true},
        {"header only", [](const fs::path& path) { WriteFile(path, std::string("SQLite format 3\0", 16)); }, true},
        {"damaged",
            [&](const fs::path& path) {
                WriteFile(path, strMade.substr(0, 4096) + std::string(strMade.size() - 4096, 'x'));
            },
            true},
        {"other tables", [](const fs::path& path) { RunSql(path, "CREATE TABLE notes(text)"); }, true},
        {"our tables and more",
            [&](const fs::path& path) {
                WriteFile(path, strMade);
                RunSql(path, "CREATE TABLE notes(text); PRAGMA journal_mode = DELETE");
            },
            true},
        {"newer format",
            [&](const fs::path& path) {
                WriteFile(path, strMade);
                RunSql(path, "PRAGMA user_version = 3; PRAGMA journal_mode = DELETE");
            },
            true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.pszName);
        const fs::path path = TempPath("refused-cache", ".db");
        fs::remove(path);
        test.make(path);
        const std::string strBefore = ReadFile(path);
        const CCliResult result = RunCommand({"-m", "--cache", path.string(), site.GetURL("/")});
        EXPECT_EQ(result.nExit, test.bRefused ? 2 : 0) << result.strErr;
        if (test.bRefused) {
            EXPECT_NE(result.strErr.find("as the cache: it "), std::string::npos) << result.strErr;
            EXPECT_EQ(ReadFile(path), strBefore);
        }
        EXPECT_FALSE(fs::exists(path.string() + "-wal"));
        EXPECT_FALSE(fs::exists(path.string() + "-shm"));
        fs::remove(path);
    }
    fs::remove(made);
}

TEST(CliCache, ARunKilledMidwayLeavesACacheTheNextRunUses)
{
    SSlowSite slow(200, 40);
    {
        CChildProgram child(Program(), slow.Args(), "/dev/null", "/dev/null");
        // Killed once the first results are committed, long before the last.
        EXPECT_TRUE(PollUntil([&] { return CountStoredResults(slow.cache) > 0; }, std::chrono::seconds(20)));
        child.Kill();
        EXPECT_EQ(child.Wait(), 128 + SIGKILL);
    }
    slow.site.SetDelay(0);
    const CCliResult again = RunCommand(slow.Args());
    EXPECT_EQ(again.nExit, 0);
    EXPECT_EQ(again.strErr, "");
    EXPECT_GT(CountCached(again.strOut), 0);
    EXPECT_LT(CountCached(again.strOut), 200);
}

TEST(CliCache, TwoRunsSharingOneFileBothFinishAndBothWrite)
{
    SSlowSite slow(100, 10);
    const fs::path out = TempPath("shared-out"), err = TempPath("shared-err");
    std::vector<int> exits;
    {
        CChildProgram one(Program(), slow.Args(), out.string() + "1", err.string() + "1");
        CChildProgram two(Program(), slow.Args(), out.string() + "2", err.string() + "2");
        exits = {one.Wait(), two.Wait()};
    }
    EXPECT_EQ(exits, (std::vector<int> {0, 0}));
    for (const char* pszRun : {"1", "2"}) {
        EXPECT_EQ(ReadFile(err.string() + pszRun), "");
        // Whatever one run found from the other's results, every row is there.
        EXPECT_EQ(json::parse(ReadFile(out.string() + pszRun))["summary"]["good"], 100);
        fs::remove(out.string() + pszRun);
        fs::remove(err.string() + pszRun);
    }
    slow.site.TakeRequests();
    EXPECT_EQ(CountCached(RunCommand(slow.Args()).strOut), 100);
    EXPECT_EQ(slow.site.TakeRequests(), std::vector<std::string> {"GET / if-none-match"});
}
