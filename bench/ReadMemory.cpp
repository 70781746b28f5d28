// Peak memory of the modern-web mode's reading of one page of N links
// (default 1,000,000 <a href>), up to a stage: "read" (decode and HTML5
// parse), "resolve" (and each reference resolved) or "list" (and one entry
// per normal form kept, as a crawl keeps its links).
// Usage: lintrel_read_memory [N] [read|resolve|list]. Prints the peak
// resident size and the time.

#include "html/CharsetDecoder.h"
#include "html/HtmlLinkReader.h"
#include "net/WebUrl.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <utility>

int main(int argc, char** argv)
{
    const long nLinks = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const std::string strStage = argc > 2 ? argv[2] : "list";
    std::string strPage = "<!doctype html><title>links</title><ul>\n";
    for (long i = 0; i < nLinks; ++i)
        strPage += "<li><a href=\"page" + std::to_string(i) + ".html\">Item " + std::to_string(i) + "</a>\n";
    const std::size_t nPageSize = strPage.size();
    const auto start = std::chrono::steady_clock::now();
    std::size_t nReferences = 0;
    std::size_t nWebLinks = 0;
    {
        // The crawl hands its body over, as here.
        const std::string strText = CCharsetDecoder::ToUtf8(std::move(strPage), "text/html");
        CHtmlLinkReader reader;
        reader.Read(strText);
        nReferences = reader.GetCount();
        const CWebUrl page = CWebUrl::Parse("http://server/dir/page.html");
        std::unordered_set<std::string> links;
        for (std::size_t i = 0; i < reader.GetCount() && strStage != "read"; ++i) {
            const CWebUrl url = page.Resolve(reader.GetReference(i).strValue);
            if (url.IsWebLink() && strStage == "list")
                links.insert(url.GetText());
            nWebLinks += url.IsWebLink() ? 1 : 0;
        }
    }
    const double dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s: page %zu bytes, %zu references, %zu web links, %.2f s, peak resident %ld MiB\n", strStage.c_str(),
        nPageSize, nReferences, nWebLinks, dSeconds, usage.ru_maxrss / 1024);
    return 0;
}
