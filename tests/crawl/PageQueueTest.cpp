#include "crawl/PageQueue.h"
#include "classic/ClassicMode.h"
#include "link/Link.h"
#include "net/InternetSession.h"
#include "net/TransferOptions.h"
#include "support/ScriptServer.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace {

struct CFetched {
    CLink* pPage = nullptr;
    std::string strDocument;
    std::string strError;
};

CFetched FetchOne(CPageQueue& queue, CInternetSession& session)
{
    CFetched fetched;
    SPageAnswer answer;
    queue.FetchNextPage(fetched.strDocument, &session, fetched.pPage, fetched.strError, CClassicMode(), answer);
    return fetched;
}

CFetched FetchURL(const std::string& strURL, CInternetSession& session)
{
    CLink page(strURL, nullptr);
    CPageQueue queue;
    queue.AddPage(&page);
    CFetched fetched = FetchOne(queue, session);
    EXPECT_EQ(fetched.pPage, &page);
    fetched.pPage = nullptr;
    return fetched;
}

// nLength bytes of 'x', gzip-compressed: about a thousand times smaller.
std::string GzipOfRepeatedText(std::size_t nLength)
{
    z_stream stream {};
    // 16 more window bits ask for the gzip wrapping.
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_RLE), Z_OK);
    std::vector<unsigned char> text(std::size_t {1} << 20, 'x');
    std::vector<unsigned char> out(std::size_t {1} << 16);
    std::string strGzip;
    for (std::size_t nDone = 0; nDone < nLength; nDone += text.size()) {
        stream.next_in = text.data();
        stream.avail_in = static_cast<uInt>(std::min(text.size(), nLength - nDone));
        const int nFlush = nDone + text.size() >= nLength ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, nFlush);
            strGzip.append(reinterpret_cast<const char*>(out.data()), out.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return strGzip;
}

} // namespace

TEST(PageQueue, DocumentsOfEveryLengthAreReadWhole)
{
    CTestServer server;
    const std::vector<std::size_t> lengths = {0, 1, 254, 255, 256, 510, 511, 4096, 100000};
    for (std::size_t nLength : lengths) {
        std::string strBody(nLength, 'x');
        for (std::size_t i = 0; i < nLength; ++i)
            strBody[i] = static_cast<char>('a' + i % 26);
        server.AddRoute({"/" + std::to_string(nLength), 200, "text/html", strBody, {}});
    }
    server.Start();
    CInternetSession session;
    for (std::size_t nLength : lengths) {
        SCOPED_TRACE(nLength);
        CFetched fetched = FetchURL(server.GetURL("/" + std::to_string(nLength)), session);
        EXPECT_EQ(fetched.strDocument.size(), nLength);
        EXPECT_EQ(fetched.strDocument.substr(0, 3), std::string("abc").substr(0, nLength));
        EXPECT_EQ(fetched.strError, "");
    }
}

TEST(PageQueue, ZeroByteEndsOnlyItsOwnChunk)
{
    std::string strBody = std::string("ab") + '\0' + "cd";
    strBody.resize(255, 'z');
    strBody += "ef";
    strBody += '\0';
    strBody += "gh";
    CTestServer server;
    server.AddRoute({"/zero", 200, "text/html", strBody, {}});
    server.Start();
    CInternetSession session;
    EXPECT_EQ(FetchURL(server.GetURL("/zero"), session).strDocument, "abef");
}

TEST(PageQueue, ErrorPageBodyIsReadLikeAnyDocument)
{
    CTestServer server;
    server.AddRoute({"/gone", 404, "text/html", "<A HREF=\"home.html\">home</A>", {}});
    server.Start();
    CInternetSession session;
    CFetched fetched = FetchURL(server.GetURL("/gone"), session);
    EXPECT_EQ(fetched.strDocument, "<A HREF=\"home.html\">home</A>");
    EXPECT_EQ(fetched.strError, "");
}

TEST(PageQueue, PagesComeOutOldestFirstAndAnEmptyQueueChangesNothing)
{
    CInternetSession session;
    CLink first("file:///nonexistent/first", nullptr);
    CLink second("file:///nonexistent/second", nullptr);
    CPageQueue queue;
    queue.AddPage(&first);
    queue.AddPage(&second);
    EXPECT_EQ(queue.GetCount(), 2);
    EXPECT_EQ(FetchOne(queue, session).pPage, &first);
    EXPECT_EQ(FetchOne(queue, session).pPage, &second);
    EXPECT_EQ(queue.GetCount(), 0);

    CLink* pSlot = &first;
    std::string strDocument;
    std::string strError;
    SPageAnswer answer;
    queue.FetchNextPage(strDocument, &session, pSlot, strError, CClassicMode(), answer);
    EXPECT_EQ(pSlot, &first);
    EXPECT_EQ(strDocument, "");
    EXPECT_EQ(strError, "");
}

TEST(PageQueue, UnreadablePagesYieldNothingAndSayWhy)
{
    const std::filesystem::path file = TempPath("lintrel-page-", ".html");
    std::ofstream(file) << "<A HREF=\"x.html\">";
    CInternetSession session;
    struct Case {
        std::string strURL;
        std::string strDocument;
        bool bFails;
    };
    const std::vector<Case> cases = {
        {"file://" + file.string(), "<A HREF=\"x.html\">", false},
        // The local-file prefix is matched case-sensitively.
        {"FILE://" + file.string(), "", true},
        {"file:///nonexistent/lintrel.html", "", true},
        {"http://nohost.invalid/index.html", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strURL);
        CFetched fetched = FetchURL(c.strURL, session);
        EXPECT_EQ(fetched.strDocument, c.strDocument);
        EXPECT_EQ(!fetched.strError.empty(), c.bFails) << fetched.strError;
    }
    std::filesystem::remove(file);
}

TEST(PageQueue, EndlessBodyIsCutAt64MiB)
{
    CTestServer server;
    server.GetServer().Get("/endless", [](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("text/html", [](std::size_t, httplib::DataSink& sink) {
            static const std::string s_strBlock(65536, 'a');
            return sink.write(s_strBlock.data(), s_strBlock.size());
        });
    });
    server.Start();
    CInternetSession session;
    CFetched fetched = FetchURL(server.GetURL("/endless"), session);
    EXPECT_EQ(fetched.strDocument.size(), CPageQueue::MAX_DOCUMENT);
    EXPECT_EQ(fetched.strError, "");
}

TEST(PageQueue, ACompressedBodyCountsItsDecodedBytesTowardsTheBound)
{
    // Twice the bound once decoded, a few hundred KiB on the wire.
    const std::string strGzip = GzipOfRepeatedText(2 * CPageQueue::MAX_DOCUMENT);
    ASSERT_LT(strGzip.size(), std::size_t {1} << 20);
    CScriptServer server([&strGzip](CScriptServer::CConnection& connection) {
        connection.Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\nContent-Length: "
            + std::to_string(strGzip.size()) + "\r\nConnection: close\r\n\r\n" + strGzip);
    });
    STransferOptions compressed;
    compressed.bAskForCompression = true;
    CInternetSession session;
    session.SetTransferOptions(compressed);
    CFetched fetched = FetchURL(server.GetURL("/bomb"), session);
    EXPECT_EQ(fetched.strDocument.size(), CPageQueue::MAX_DOCUMENT);
    EXPECT_EQ(fetched.strDocument.find_first_not_of('x'), std::string::npos);
    EXPECT_EQ(fetched.strError, "");

    // Without the option nothing is decoded: the body is read as it came.
    CInternetSession plainSession;
    fetched = FetchURL(server.GetURL("/bomb"), plainSession);
    EXPECT_EQ(fetched.strDocument.substr(0, 3), "\x1f\x8b\x08");
    EXPECT_LT(fetched.strDocument.size(), strGzip.size());
}
