// Extraction speed on a generated page: 100 bytes of markup and text per
// link, every second link repeating an earlier URL, so the duplicate test
// runs for half the links. The word scanner of the default mode and the
// modern-web mode's reading (decode, HTML5 tokenizer, resolve, one entry per
// normal form) on the same pages, and its decode and read alone. Run with --benchmark_counters_tabular=true.

#include "html/CharsetDecoder.h"
#include "html/HtmlLinkReader.h"
#include "html/LinkExtractor.h"
#include "link/Link.h"
#include "link/LinkArray.h"
#include "net/WebUrl.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>

namespace {

constexpr std::size_t BYTES_PER_LINK = 100;

// A few link forms, so resolution takes its absolute, relative and parent paths.
std::string UrlFor(std::uint64_t nId)
{
    const std::string strId = std::to_string(nId);
    switch (nId % 4) {
    case 0: return "page" + strId + ".html";
    case 1: return "sub" + std::to_string(nId % 97) + "/item" + strId + ".html";
    case 2: return "../up/" + strId + ".html#part";
    default: return "http://host" + std::to_string(nId % 13) + ".example/a/" + strId;
    }
}

// Running text: words with and without an "a", so many words try an HREF.
void PadWithText(std::string& strPage, std::size_t nUpTo, std::uint64_t nSeed)
{
    static const char* const WORDS[]
        = {"the", "table", "of", "links", "on", "this", "page", "is", "long", "<p>", "and", "see", "more"};
    std::size_t nWord = nSeed;
    while (strPage.size() + 8 < nUpTo)
        strPage.append(WORDS[nWord++ % std::size(WORDS)]).push_back(' ');
    strPage.append(nUpTo - strPage.size() - 1, '.').push_back('\n');
}

std::string MakePage(std::size_t nLinks)
{
    std::string strPage;
    strPage.reserve(nLinks * BYTES_PER_LINK);
    for (std::size_t i = 0; i < nLinks; ++i) {
        // Even links are new; odd ones repeat one of the URLs already written.
        std::uint64_t nId = i % 2 == 0 ? i / 2 : (i * 7919u) % (i / 2 + 1);
        strPage.append("<li><a href=\"").append(UrlFor(nId)).append("\">Item</a> ");
        PadWithText(strPage, (i + 1) * BYTES_PER_LINK, i);
    }
    return strPage;
}

const std::string& PageWith(std::size_t nLinks)
{
    static std::map<std::size_t, std::string> pages;
    auto it = pages.find(nLinks);
    if (it == pages.end())
        it = pages.emplace(nLinks, MakePage(nLinks)).first;
    return it->second;
}

void BM_Extract(benchmark::State& state)
{
    const std::size_t nLinks = static_cast<std::size_t>(state.range(0));
    const std::string& strPage = PageWith(nLinks);
    CLink page("http://server/dir/page.html", nullptr);
    CLinkExtractor extractor;
    int nFiled = 0;
    {
        // Untimed first run: the heap then holds the pages every timed run reuses.
        CLinkArray links;
        CPageStream stream(strPage);
        extractor.Extract(stream, &links, &page);
    }
    for (auto _ : state) {
        state.PauseTiming();
        CLinkArray links;
        CPageStream stream(strPage);
        state.ResumeTiming();
        extractor.Extract(stream, &links, &page);
        state.PauseTiming();
        nFiled = links.GetSize();
        links.RemoveAll();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * strPage.size()));
    state.counters["links"] = static_cast<double>(nLinks);
    state.counters["filed"] = nFiled;
    state.counters["per_link"] = benchmark::Counter(
        static_cast<double>(nLinks), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The links of one page as the modern-web mode lists them: each normal form once.
std::size_t ReadModern(const std::string& strPage, const CWebUrl& page)
{
    const std::string strText = CCharsetDecoder::ToUtf8(strPage, "text/html");
    CHtmlLinkReader reader;
    reader.Read(strText);
    const CWebUrl base = reader.HasBase() ? page.Resolve(reader.GetBase()) : page;
    std::unordered_set<std::string> links;
    for (std::size_t i = 0; i < reader.GetCount(); ++i) {
        CWebUrl url = base.Resolve(reader.GetReference(i).strValue);
        if (url.IsWebLink())
            links.insert(url.GetText());
    }
    return links.size();
}

void BM_ExtractModern(benchmark::State& state)
{
    const std::size_t nLinks = static_cast<std::size_t>(state.range(0));
    const std::string& strPage = PageWith(nLinks);
    const CWebUrl page = CWebUrl::Parse("http://server/dir/page.html");
    std::size_t nFiled = 0;
    for (auto _ : state)
        nFiled = ReadModern(strPage, page);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * strPage.size()));
    state.counters["links"] = static_cast<double>(nLinks);
    state.counters["filed"] = static_cast<double>(nFiled);
    state.counters["per_link"] = benchmark::Counter(
        static_cast<double>(nLinks), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The page decoded and read, its references not resolved: the reader alone.
void BM_ReadModern(benchmark::State& state)
{
    const std::size_t nLinks = static_cast<std::size_t>(state.range(0));
    const std::string& strPage = PageWith(nLinks);
    std::size_t nReferences = 0;
    for (auto _ : state) {
        CHtmlLinkReader reader;
        reader.Read(CCharsetDecoder::ToUtf8(strPage, "text/html"));
        nReferences = reader.GetCount();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * strPage.size()));
    state.counters["links"] = static_cast<double>(nLinks);
    state.counters["filed"] = static_cast<double>(nReferences);
    state.counters["per_link"] = benchmark::Counter(
        static_cast<double>(nLinks), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_Extract)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractModern)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadModern)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
