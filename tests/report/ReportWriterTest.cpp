#include "report/ReportWriter.h"
#include "classic/ClassicMode.h"
#include "crawl/Crawler.h"
#include "crawl/RecordingFrontEnd.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const REPORT_HEAD = "<HTML>\n<HEAD><TITLE>Lintrel Report</TITLE></HEAD>\n<BODY>\n"
                                "<TABLE BORDER=1>\n<TR><TD>Referring Page</TD><TD>Link</TD><TD>Status</TD></TR>";
const char* const TAIL = "</TABLE>\n</BODY>\n</HTML>\n";

std::string Report(const CLinkArray& links)
{
    std::ostringstream out;
    CReportWriter(links, CCrawlSummary(links)).Write(out);
    return out.str();
}

class ReportFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = TempPath("lintrel-report-");
        std::filesystem::create_directories(m_dir);
        m_links.Add(std::make_unique<CLink>("http://server/a.html", nullptr));
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::size_t CountEntries() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_dir), {}));
    }

    std::filesystem::path m_dir;
    CLinkArray m_links;
};

} // namespace

TEST(ReportWriter, SmallCrawlGivesTheReportByteForByte)
{
    CTestServer server;
    server.AddRoutes({{"/index.html", 200, "text/html", "<A HREF=\"a.html\">a</A> <A HREF=\"missing.html\">m</A>", {}},
        {"/a.html", 200, "text/html", "", {}}});
    server.Start();
    CRecordingFrontEnd frontEnd;
    CCrawler crawler(&frontEnd, false, false);
    crawler.SetMode(std::make_unique<CClassicMode>());
    ASSERT_TRUE(crawler.Init(&frontEnd, server.GetURL("/index.html")));
    crawler.Crawl();
    EXPECT_EQ(Report(*crawler.GetLinks()),
        "<HTML>\n"
        "<HEAD><TITLE>Lintrel Report</TITLE></HEAD>\n"
        "<BODY>\n"
        "<TABLE BORDER=1>\n"
        "<TR><TD>Referring Page</TD><TD>Link</TD><TD>Status</TD></TR>"
        "<TR><TD><A HREF=\"http://127.0.0.1/index.html\"> http://127.0.0.1/index.html</A></TD> \n"
        "<TD><A HREF=\"http://127.0.0.1/a.html\"> http://127.0.0.1/a.html</A></TD><TD> OK </TD></TR>\n"
        "<TR><TD><A HREF=\"http://127.0.0.1/index.html\"> http://127.0.0.1/index.html</A></TD> \n"
        "<TD><A HREF=\"http://127.0.0.1/missing.html\"> http://127.0.0.1/missing.html</A></TD><TD> Not Found "
        "</TD></TR>\n"
        "</TABLE>\n"
        "</BODY>\n"
        "</HTML>\n");
}

TEST(ReportWriter, EmptyArrayGivesTheHeaderRowOnly)
{
    CLinkArray links;
    EXPECT_EQ(Report(links), std::string(REPORT_HEAD) + TAIL);
}

// Regression: URLs and reason phrases went into the report unescaped, so a
// server or a crafted link could put markup and script into it.
TEST(ReportWriter, MarkupInURLsAndStatusTextsIsEscaped)
{
    CLinkArray links;
    CLink* pPage = links.AdoptBase(std::make_unique<CLink>("http://server/a&b.html", nullptr));
    auto pLink = std::make_unique<CLink>("http://server/x?a=1&b=<i>'q'\"", pPage);
    ASSERT_EQ(pLink->GetFullURL(), "http://server/x?a=1&b=<i>'q'\"");
    pLink->SetStatus(404, "<script>alert(\"x\")</script> & more");
    links.Add(std::move(pLink));
    auto pUnchecked = std::make_unique<CLink>("http://server/plain.html", nullptr);
    links.Add(std::move(pUnchecked));
    EXPECT_EQ(Report(links),
        std::string(REPORT_HEAD)
            + "<TR><TD><A HREF=\"http://server/a&amp;b.html\"> http://server/a&amp;b.html</A></TD> \n"
              "<TD><A HREF=\"http://server/x?a=1&amp;b=&lt;i&gt;'q'&quot;\"> "
              "http://server/x?a=1&amp;b=&lt;i&gt;'q'&quot;</A></TD>"
              "<TD> &lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; more </TD></TR>\n"
              "<TR><TD>na</TD><TD><A HREF=\"http://server/plain.html\"> http://server/plain.html</A></TD><TD>  "
              "</TD></TR>\n"
            + TAIL);
}

TEST_F(ReportFile, SavingTwiceReplacesTheFileAndLeavesNothingElse)
{
    const std::filesystem::path path = m_dir / "report";
    std::string strReason;
    ASSERT_TRUE(CReportWriter(m_links, CCrawlSummary(m_links)).Save(path.string(), strReason)) << strReason;
    ASSERT_TRUE(CReportWriter(m_links, CCrawlSummary(m_links)).Save(path.string(), strReason)) << strReason;
    EXPECT_EQ(ReadFile(path), Report(m_links));
    EXPECT_EQ(CountEntries(), 1u);
}

TEST_F(ReportFile, SavingThroughASymbolicLinkReplacesTheFileItNames)
{
    const std::filesystem::path target = m_dir / "real.html";
    const std::filesystem::path link = m_dir / "link.html";
    std::ofstream(target) << "old";
    std::filesystem::create_symlink(target, link);
    std::string strReason;
    ASSERT_TRUE(CReportWriter(m_links, CCrawlSummary(m_links)).Save(link.string(), strReason)) << strReason;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(target), Report(m_links));
}

TEST_F(ReportFile, FailedSaveSaysWhyAndTouchesNothing)
{
    const std::filesystem::path directory = m_dir / "taken";
    std::filesystem::create_directories(directory / "inside");
    const std::vector<std::filesystem::path> paths = {m_dir / "missing" / "report.html", directory};
    for (const std::filesystem::path& path : paths) {
        SCOPED_TRACE(path.string());
        std::string strReason;
        EXPECT_FALSE(CReportWriter(m_links, CCrawlSummary(m_links)).Save(path.string(), strReason));
        EXPECT_NE(strReason.find(path.string()), std::string::npos) << strReason;
    }
    EXPECT_TRUE(std::filesystem::is_directory(directory / "inside"));
    EXPECT_EQ(CountEntries(), 1u);
}

TEST_F(ReportFile, NewReportFollowsTheUmaskAndAnExistingOneKeepsItsMode)
{
    const mode_t nOldMask = ::umask(027);
    const std::filesystem::path fresh = m_dir / "fresh.html";
    const std::filesystem::path kept = m_dir / "kept.html";
    std::ofstream(kept) << "old";
    std::filesystem::permissions(kept, std::filesystem::perms(0604));
    std::string strReason;
    const bool bFresh = CReportWriter(m_links, CCrawlSummary(m_links)).Save(fresh.string(), strReason);
    const bool bKept = CReportWriter(m_links, CCrawlSummary(m_links)).Save(kept.string(), strReason);
    ::umask(nOldMask);
    ASSERT_TRUE(bFresh && bKept) << strReason;
    EXPECT_EQ(std::filesystem::status(fresh).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(std::filesystem::status(kept).permissions(), std::filesystem::perms(0604));
}
