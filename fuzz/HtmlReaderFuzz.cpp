// A page of arbitrary bytes under an arbitrary charset label, decoded and
// read for links: the text must be valid UTF-8 no longer than three bytes a
// byte, every reference a value of that text with a position inside it, and
// every fragment target valid UTF-8; each reference's fragment, and the
// page's same-page links, looked for among its targets, with suggestions.
#include "html/CharsetDecoder.h"
#include "html/HtmlLinkReader.h"
#include "modern/FragmentMatcher.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void ExpectValidUtf8(const std::string& strText)
{
    if (!CCharsetDecoder::IsValidUtf8(strText) || CCharsetDecoder::RepairUtf8(strText) != strText)
        __builtin_trap();
}

void ExpectReferencesInside(const CHtmlLinkReader& reader, const std::string& strText)
{
    for (std::size_t i = 0; i < reader.GetCount(); ++i) {
        const SHtmlReference reference = reader.GetReference(i);
        if (reference.strValue.empty() || reference.strValue.front() == '#' || reference.nLine < 1
            || reference.nColumn < 1 || static_cast<std::size_t>(reference.nLine) > strText.size() + 1
            || static_cast<std::size_t>(reference.nColumn) > strText.size() + 1)
            __builtin_trap();
        ExpectValidUtf8(std::string(reference.strValue));
    }
}

// Every fragment is found or not; a missing one's suggestions are ids of
// the page, at most three, none of them the fragment itself.
void ExpectFragmentsJudged(const CHtmlLinkReader& reader)
{
    const SFragmentTargets& targets = reader.GetFragmentTargets();
    for (std::size_t i = 0; i < reader.GetCount() && i < 64; ++i) {
        const std::optional<std::string> fragment = CFragmentMatcher::FromReference(reader.GetReference(i).strValue);
        if (!fragment)
            continue;
        if (fragment->empty() || CFragmentMatcher::Finds(targets, *fragment))
            continue;
        const std::vector<std::string> suggestions = CFragmentMatcher::Suggest(targets, *fragment);
        if (suggestions.size() > CFragmentMatcher::MAX_SUGGESTIONS)
            __builtin_trap();
        for (const std::string& strId : suggestions)
            if (strId == *fragment || std::find(targets.ids.begin(), targets.ids.end(), strId) == targets.ids.end())
                __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    FuzzedDataProvider provider(pData, nSize);
    const std::string strContentType = provider.ConsumeRandomLengthString(64);
    const std::string strBytes = provider.ConsumeRemainingBytesAsString();
    const std::string strText = CCharsetDecoder::ToUtf8(strBytes, strContentType);
    if (strText.size() > 3 * strBytes.size())
        __builtin_trap();
    ExpectValidUtf8(strText);

    CHtmlLinkReader whole;
    whole.Read(strText);
    ExpectReferencesInside(whole, strText);
    for (const std::string& strId : whole.GetFragmentTargets().ids)
        ExpectValidUtf8(strId);
    for (const std::string& strName : whole.GetFragmentTargets().anchorNames)
        ExpectValidUtf8(strName);
    if (whole.HasBase())
        ExpectValidUtf8(whole.GetBase());
    CHtmlLinkReader withFragments;
    withFragments.SetFragmentOnly(true);
    withFragments.Read(strText);
    if (withFragments.GetCount() < whole.GetCount())
        __builtin_trap();
    ExpectFragmentsJudged(withFragments);
    return 0;
}
