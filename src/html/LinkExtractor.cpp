#include "html/LinkExtractor.h"

#include "html/LineColumnCounter.h"
#include "link/Link.h"
#include "link/LinkArray.h"

#include <string_view>
#include <utility>

namespace {

// One fixed buffer: a longer run of non-whitespace is read as several words.
constexpr std::size_t WORD_SIZE = 512;

char ToUpper(char ch)
{
    return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
}

// A word whose read leaves the stream not good is not examined, so the last
// word of a page that ends without whitespace is never looked at. The word
// is compared up to its first zero byte, as the buffer holds it.
bool ReadUpperWord(CPageStream& stream, char (&szWord)[WORD_SIZE], std::string_view& word)
{
    stream.SetWidth(WORD_SIZE);
    stream.ReadWord(szWord);
    if (!stream.IsGood())
        return false;
    char* pch = szWord;
    for (; *pch != '\0'; ++pch)
        *pch = ToUpper(*pch);
    word = std::string_view(szWord, static_cast<std::size_t>(pch - szWord));
    return true;
}

bool HasWord(std::string_view word, std::string_view vocabulary)
{
    return word.find(vocabulary) != std::string_view::npos;
}

} // namespace

void CLinkExtractor::Extract(CPageStream& stream, CLinkArray* pLinks, CLink* pPage)
{
    if (pLinks == nullptr)
        return;
    // A position noted on an earlier page must not hide an HREF on this one.
    m_nBasePos = NO_BASE_POS;
    const CPageStream::Pos nStart = stream.GetPosition();
    m_bNoteBase = true;
    std::unique_ptr<CLink> pFoundBase = FindBase(stream);
    m_bNoteBase = false;
    stream.Clear();
    stream.Seek(nStart);
    // The array keeps the base as long as the records that refer to it.
    CLink* pBase = pFoundBase ? pLinks->AdoptBase(std::move(pFoundBase)) : nullptr;

    // Positions only grow in this pass, so one forward count serves the page.
    CLineColumnCounter counter(stream.GetDocument());
    char szWord[WORD_SIZE];
    while (stream.IsGood()) {
        std::string_view word;
        if (!ReadUpperWord(stream, szWord, word))
            break;
        std::string strValue;
        // Every "FRAME" word also holds an "A": the FRAME test must come first.
        if (HasWord(word, "FRAME")) {
            m_bSkipBase = false;
            ReadAttribute("SRC", stream, strValue);
        } else if (HasWord(word, "A")) {
            m_bSkipBase = true;
            ReadAttribute("HREF", stream, strValue);
        }
        if (strValue.empty())
            continue;
        counter.AdvanceTo(static_cast<std::size_t>(m_nAttributePos));
        AddLink(pBase, strValue, pLinks, pPage, {pPage, counter.GetLine(), counter.GetColumn()});
    }
}

std::unique_ptr<CLink> CLinkExtractor::FindBase(CPageStream& stream)
{
    char szWord[WORD_SIZE];
    while (stream.IsGood()) {
        std::string_view word;
        if (!ReadUpperWord(stream, szWord, word))
            break;
        if (!HasWord(word, "BASE"))
            continue;
        // A BASE without a usable HREF does not end the search.
        std::string strValue;
        ReadAttribute("HREF", stream, strValue);
        if (!strValue.empty())
            return std::make_unique<CLink>(strValue, nullptr);
    }
    return nullptr;
}

void CLinkExtractor::ReadAttribute(const char* pszName, CPageStream& stream, std::string& strValue)
{
    stream.SkipWhitespace();
    if (!stream.IsGood())
        return;
    m_nAttributePos = stream.GetPosition();
    // Matched one read at a time: a failed match keeps what it consumed, and
    // the rest of the word is scanned as a word of its own.
    char ch = '\0';
    for (const char* pchName = pszName; *pchName != '\0'; ++pchName) {
        if (!stream.ReadChar(ch) || ToUpper(ch) != *pchName)
            return;
    }
    stream.SkipWhitespace();
    if (!stream.IsGood() || !stream.ReadChar(ch) || ch != '=')
        return;

    const CPageStream::Pos nPos = stream.GetPosition();
    if (m_bNoteBase)
        m_nBasePos = nPos;
    else if (m_bSkipBase && nPos == m_nBasePos)
        return; // the BASE tag's own HREF, met again in the main pass

    // Only double quotes open a value; any other first character is lost.
    stream.SkipWhitespace();
    if (!stream.ReadChar(ch) || ch != '"')
        return;
    // Every read skips whitespace, so blanks and line breaks inside the
    // quotes vanish; a page that ends inside the value keeps what was read.
    std::string strRead;
    while (stream.ReadChar(ch) && ch != '"' && ch != '>')
        strRead += ch;
    strValue = std::move(strRead);
}

void CLinkExtractor::AddLink(
    CLink* pBase, const std::string& strURL, CLinkArray* pLinks, CLink* pPage, const SLinkOccurrence& occurrence)
{
    if (strURL.empty() || pLinks == nullptr)
        return;
    auto pLink = std::make_unique<CLink>(strURL, pBase != nullptr ? pBase : pPage);
    if (pLink->GetLinkType() != LINK_HTTP) {
        if (pLink->GetScheme() == "https")
            m_skippedSecure.insert(pLink->GetFullURL());
        return;
    }
    // A duplicate is dropped with its occurrence: only the first place counts.
    if (occurrence.nLine > 0)
        pLink->AddOccurrence(occurrence);
    // The duplicate test and the append in one look-up: the full URL is
    // built once per candidate, and a duplicate is deleted on the spot.
    pLinks->AddIfNew(std::move(pLink));
}
