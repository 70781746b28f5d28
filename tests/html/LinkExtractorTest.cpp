#include "html/LinkExtractor.h"

#include "link/Link.h"
#include "link/LinkArray.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// (full URL, referrer's full URL) of one record, in array order.
using Records = std::vector<std::pair<std::string, std::string>>;

struct PageCase {
    std::string strPage;
    Records expected;
};

const char* const PAGE = "http://server/dir/page.html";

Records RecordsFrom(const CLinkArray& links, int nFirst)
{
    Records records;
    for (int nPos = nFirst; nPos <= links.GetSize(); ++nPos) {
        const CLink* pLink = links.GetAt(nPos);
        const CLink* pReferrer = pLink->GetReferrer();
        records.emplace_back(pLink->GetFullURL(), pReferrer ? pReferrer->GetFullURL() : "(none)");
    }
    return records;
}

// Extracts one page into the array; answers the records it added.
Records ExtractPage(CLinkExtractor& extractor, CLinkArray& links, CLink& page, const std::string& strPage)
{
    const int nBefore = links.GetSize();
    CPageStream stream(strPage);
    extractor.Extract(stream, &links, &page);
    EXPECT_FALSE(stream.IsGood());
    return RecordsFrom(links, nBefore + 1);
}

void ExpectPages(const std::vector<PageCase>& cases)
{
    for (const PageCase& c : cases) {
        SCOPED_TRACE("page: " + c.strPage);
        CLinkExtractor extractor;
        CLinkArray links;
        CLink page(PAGE, nullptr);
        EXPECT_EQ(ExtractPage(extractor, links, page, c.strPage), c.expected);
    }
}

std::pair<std::string, std::string> OnPage(const std::string& strFullURL)
{
    return {strFullURL, PAGE};
}

const auto X = OnPage("http://server/dir/x.html");

} // namespace

TEST(LinkExtractor, QuotingSpacingAndCase)
{
    ExpectPages({
        {"<A HREF=\"x.html\">", {X}},
        {"<a href = \"x.html\">", {X}},
        {"<A\n\tHREF\r\n=\f\"x.html\"\v>", {X}},
        {"<a hReF=\"x.html\">\n", {X}},
        {"<A HREF=x.html>", {}},
        {"<A HREF='x.html'>", {}},
        {"<A HREF=\"my page.html\">", {OnPage("http://server/dir/mypage.html")}},
        {"<A HREF=\"long\r\n\tpage.html\">", {OnPage("http://server/dir/longpage.html")}},
        // The value is "a": a one-character text denotes the referrer's host root.
        {"<A HREF=\"a>b.html\">", {OnPage("http://server")}},
        {"<A HREF=\"ab>c.html\">", {OnPage("http://server/dir/ab")}},
        {"<A HREF=\"\">", {}},
        {"<A HREF=\"mailto:x@example\">", {}},
        {"<A HREF=\"ftp://server/x\"> <A HREF=\"HTTP://server/y\">", {}},
        {"<A HREF=\"http://other/y.html\">", {OnPage("http://other/y.html")}},
    });
}

TEST(LinkExtractor, PageEndingInsideAnAttribute)
{
    ExpectPages({
        {"<A HREF=\"abc", {OnPage("http://server/dir/abc")}},
        {"<A HREF=\"abc def\n", {OnPage("http://server/dir/abcdef")}},
        {"<A HREF=\"", {}},
        {"<A HREF=", {}},
        {"<A HR", {}},
        {"<A ", {}},
        {"", {}},
        {" \t\r\n", {}},
    });
}

TEST(LinkExtractor, ZeroBytes)
{
    using namespace std::string_literals;
    ExpectPages({
        // A word that starts with a zero byte is an empty word, not the page's end.
        {"\0x <A HREF=\"x.html\">"s, {X}},
        // A zero byte inside a value ends the URL, as any control character does.
        {"<A HREF=\"xy\0z.html\">"s, {OnPage("http://server/dir/xy")}},
    });
}

TEST(LinkExtractor, WhichWordsReadWhichAttribute)
{
    ExpectPages({
        // After "<A" the next attribute must be HREF: the failed try eats the
        // I of ID, and nothing in the leftover words contains an A.
        {"<A ID=\"top\" HREF=\"x.html\">", {}},
        // ...whereas the leftover AME="top" contains an A, and HREF follows it.
        {"<A NAME=\"top\" HREF=\"x.html\">", {X}},
        {"<FRAME SRC=\"f.html\">", {OnPage("http://server/dir/f.html")}},
        {"<IFRAME SRC=\"f.html\">", {OnPage("http://server/dir/f.html")}},
        {"<FRAME NAME=\"n\" SRC=\"f.html\">", {}},
        // A FRAME word never falls back to HREF although it holds an A.
        {"<FRAME HREF=\"f.html\">", {}},
        {"<AREA HREF=\"m.html\">", {OnPage("http://server/dir/m.html")}},
        {"<IMG SRC=\"i.gif\"> <LINK HREF=\"s.css\"> <BODY BACKGROUND=\"b.gif\">", {}},
        {"Data HREF=\"t.html\"", {OnPage("http://server/dir/t.html")}},
        {"<!-- <A HREF=\"c.html\"> -->", {OnPage("http://server/dir/c.html")}},
        {"<SCRIPT>document.write('<a href=\"s.html\">')</SCRIPT>", {OnPage("http://server/dir/s.html")}},
    });
}

TEST(LinkExtractor, DuplicatesOnOnePage)
{
    ExpectPages({
        {"<A HREF=\"x.html\"> <A HREF=\"x.html\">", {X}},
        {"<A HREF=\"x.html\"> <A HREF=\"x.html#top\"> <A HREF=\"/dir/x.html\">", {X}},
        {"<A HREF=\"X.html\"> <A HREF=\"x.html\">", {OnPage("http://server/dir/X.html"), X}},
        {"<A HREF=\"b.html\"> <A HREF=\"a.html\"> <A HREF=\"b.html\">",
            {OnPage("http://server/dir/b.html"), OnPage("http://server/dir/a.html")}},
    });
}

TEST(LinkExtractor, BaseAddress)
{
    const std::pair<std::string, std::string> xOnBase = {"http://host/dir/x.html", "http://host/dir/"};
    ExpectPages({
        {"<BASE HREF=\"http://host/dir/\">\n<A HREF=\"x.html\">\n", {xOnBase}},
        {"<A HREF=\"x.html\">\n<BASE HREF=\"http://host/dir/\">\n", {xOnBase}},
        {"<BASE HREF=\"http://host/dir/\">\n<A HREF=\"http://other/y.html\">\n",
            {{"http://other/y.html", "http://host/dir/"}}},
        {"<BASE HREF=\"\">\n<A HREF=\"x.html\">\n", {X}},
        {"<BASE>\n<A HREF=\"x.html\">\n", {X}},
        {"<BASE HREF=base/>\n<A HREF=\"x.html\">\n", {X}},
        // An unusable BASE does not end the search; the first usable one wins.
        {"<BASE HREF=\"\">\n<BASE HREF=\"http://host/dir/\">\n<BASE HREF=\"http://late/\">\n<A HREF=\"x.html\">\n",
            {{"http://late", "http://host/dir/"}, xOnBase}},
    });
}

TEST(LinkExtractor, WordsLongerThan511CharactersAreSplit)
{
    const std::string x509(509, 'x');
    const std::string x511(511, 'x');
    ExpectPages({
        // 600 characters: the first word ends after 511, right before HREF.
        {"<A" + x509 + "HREF=\"w.html\">" + std::string(75, 'y') + "\n", {OnPage("http://server/dir/w.html")}},
        // 511 + 89: the second word holds the A.
        {x511 + "A" + std::string(88, 'x') + " HREF=\"v.html\">\n", {OnPage("http://server/dir/v.html")}},
        // The A ends the first word, whose HREF would have to start at the 512th character.
        {std::string(510, 'x') + "A" + std::string(89, 'x') + " HREF=\"u.html\">\n", {}},
    });
}

TEST(LinkExtractor, DuplicatesAcrossPagesKeepTheFirstReferrer)
{
    CLinkExtractor extractor;
    CLinkArray links;
    CLink first(PAGE, nullptr);
    CLink second("http://server/dir/sub/two.html", nullptr);
    EXPECT_EQ(ExtractPage(extractor, links, first, "<A HREF=\"x.html\"> <A HREF=\"sub/two.html\">\n"),
        (Records {X, OnPage("http://server/dir/sub/two.html")}));
    EXPECT_EQ(ExtractPage(extractor, links, second, "<A HREF=\"../x.html\"> <A HREF=\"y.html\">\n"),
        (Records {{"http://server/dir/sub/y.html", "http://server/dir/sub/two.html"}}));
    EXPECT_EQ(RecordsFrom(links, 1).front(), X);
}

TEST(LinkExtractor, ExtractionStartsAtTheStreamsPosition)
{
    CLinkExtractor extractor;
    CLinkArray links;
    CLink page(PAGE, nullptr);
    CPageStream stream("<BASE HREF=\"http://host/dir/\"> <A HREF=\"x.html\">\n");
    stream.Seek(31);
    extractor.Extract(stream, &links, &page);
    EXPECT_EQ(RecordsFrom(links, 1), Records {X});
}

TEST(LinkExtractor, NoArrayMeansNothingIsFiled)
{
    CLinkExtractor extractor;
    CLink page(PAGE, nullptr);
    CPageStream stream("<BASE HREF=\"http://host/\"> <A HREF=\"x.html\"> <A HREF=\"https://host/s\">\n");
    extractor.Extract(stream, nullptr, &page);
    extractor.AddLink(nullptr, "https://host/t", nullptr, &page);
    // Nothing read, counted or noted: the same page with an array gives
    // what it gives a fresh extractor.
    EXPECT_TRUE(stream.IsGood());
    EXPECT_EQ(stream.GetPosition(), 0);
    EXPECT_EQ(extractor.GetSkippedSecureCount(), 0u);
    CLinkArray links;
    extractor.Extract(stream, &links, &page);
    EXPECT_EQ(RecordsFrom(links, 1), (Records {{"http://host/x.html", "http://host"}}));
    EXPECT_EQ(extractor.GetSkippedSecureCount(), 1u);
}

// Regression: the base tag's position stayed noted after its page, so on a
// later page without BASE an HREF whose "=" sat at that same position was
// taken for the base tag's own and silently skipped.
TEST(LinkExtractorMends, BasePositionOfAnEarlierPageHidesNoLink)
{
    CLinkExtractor extractor;
    CLinkArray links;
    CLink first(PAGE, nullptr);
    CLink second("http://server/dir/two.html", nullptr);
    ExtractPage(extractor, links, first, "<BASE HREF=\"http://host/b/\">\n");
    // "<AREA HREF=" puts its "=" where "<BASE HREF=" had it.
    EXPECT_EQ(ExtractPage(extractor, links, second, "<AREA HREF=\"y.html\">\n"),
        (Records {{"http://server/dir/y.html", "http://server/dir/two.html"}}));
}

// Regression: base records were made for each page and never released, or
// released while the records resolved against them still pointed at them.
// Run under AddressSanitizer, a dangling referrer or a leaked base fails here.
TEST(LinkExtractorMends, BaseRecordsLiveAndDieWithTheArray)
{
    CLinkExtractor extractor;
    CLink first(PAGE, nullptr);
    CLink second("http://server/dir/two.html", nullptr);
    {
        CLinkArray links;
        ExtractPage(extractor, links, first, "<BASE HREF=\"http://one/\"> <A HREF=\"x.html\">\n");
        ExtractPage(extractor, links, second, "<BASE HREF=\"http://two/\"> <A HREF=\"y.html\">\n");
        ExtractPage(extractor, links, first, "<A HREF=\"z.html\">\n");
        EXPECT_EQ(RecordsFrom(links, 1),
            (Records {{"http://one/x.html", "http://one"}, {"http://two/y.html", "http://two"},
                {"http://server/dir/z.html", PAGE}}));
        EXPECT_EQ(links.GetAt(1)->GetReferrer()->GetHost(), "one");
        links.RemoveAll();
        EXPECT_EQ(links.GetSize(), 0);
        ExtractPage(extractor, links, first, "<BASE HREF=\"http://three/\"> <A HREF=\"x.html\">\n");
        EXPECT_EQ(RecordsFrom(links, 1), (Records {{"http://three/x.html", "http://three"}}));
    }
}

namespace {

// (full URL, line, column) of each record's occurrences, in array order.
using Places = std::vector<std::tuple<std::string, int, int>>;

TEST(LinkExtractorPositions, EachFiledLinkKeepsWhereItsAttributeNameBegan)
{
    const std::vector<std::pair<std::string, Places>> cases = {
        {"<A HREF=\"x.html\">\n", {{"http://server/dir/x.html", 1, 4}}},
        {"<p>\r\n\t<a  href = \"x.html\">\n", {{"http://server/dir/x.html", 2, 6}}},
        {"\r\r<A\nHREF=\"x.html\">\n", {{"http://server/dir/x.html", 4, 1}}},
        {"\xc3\xa9\x80<FRAME SRC=\"f.html\">\n", {{"http://server/dir/f.html", 1, 10}}},
        // The duplicate rule drops the later place with the later record.
        {"<A HREF=\"x.html\">\n<A HREF=\"x.html\">\n", {{"http://server/dir/x.html", 1, 4}}},
        // A BASE makes another record the referrer, never the page.
        {"<BASE HREF=\"http://host/d/\">\n<A HREF=\"x.html\">\n", {{"http://host/d/x.html", 2, 4}}},
    };
    for (const auto& [strPage, expected] : cases) {
        SCOPED_TRACE("page: " + strPage);
        CLinkExtractor extractor;
        CLinkArray links;
        CLink page(PAGE, nullptr);
        CPageStream stream(strPage);
        extractor.Extract(stream, &links, &page);
        Places places;
        for (int nPos = 1; nPos <= links.GetSize(); ++nPos) {
            for (const SLinkOccurrence& occurrence : links.GetAt(nPos)->GetOccurrences()) {
                EXPECT_EQ(occurrence.pPage, &page);
                places.emplace_back(links.GetAt(nPos)->GetFullURL(), occurrence.nLine, occurrence.nColumn);
            }
        }
        EXPECT_EQ(places, expected);
    }
}

} // namespace
