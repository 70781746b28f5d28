// Peak memory of the modern-web mode's reading of one page of N links
// (default 1,000,000 <a href>): decode, HTML5 parse, resolve, one entry per
// normal form. Usage: lintrel_read_memory [N]. Prints the peak resident size.

#include "crawl/WebUrl.h"
#include "html/CharsetDecoder.h"
#include "html/HtmlLinkReader.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_set>

int main(int argc, char** argv)
{
    const long nLinks = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    std::string strPage = "<!doctype html><title>links</title><ul>\n";
    for (long i = 0; i < nLinks; ++i)
        strPage += "<li><a href=\"page" + std::to_string(i) + ".html\">Item " + std::to_string(i) + "</a>\n";
    std::size_t nRefs = 0;
    std::size_t nLinksFound = 0;
    {
        const std::string strText = CCharsetDecoder::ToUtf8(strPage, "text/html");
        CHtmlLinkReader reader;
        reader.Read(strText);
        nRefs = reader.GetCount();
        const CWebUrl page = CWebUrl::Parse("http://server/dir/page.html");
        std::unordered_set<std::string> links;
        for (std::size_t i = 0; i < reader.GetCount(); ++i) {
            const CWebUrl url = page.Resolve(reader.GetReference(i).strValue);
            if (url.IsWebLink())
                links.insert(url.GetText());
        }
        nLinksFound = links.size();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("page %zu bytes, %zu references, %zu links, peak resident %ld MiB\n", strPage.size(), nRefs,
        nLinksFound, usage.ru_maxrss / 1024);
    return 0;
}
