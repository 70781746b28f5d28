// A page of arbitrary bytes under an arbitrary charset label, decoded and
// read for links, whole and cut into parts at small limits: the text must be
// valid UTF-8 no longer than three bytes a byte, and every reference a value
// of that text with a position inside it.
#include "html/CharsetDecoder.h"
#include "html/HtmlLinkReader.h"

#include <fuzzer/FuzzedDataProvider.h>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    FuzzedDataProvider provider(pData, nSize);
    const std::string strContentType = provider.ConsumeRandomLengthString(64);
    const std::size_t nTinyTags = provider.ConsumeIntegralInRange<std::size_t>(1, 8);
    const std::string strBytes = provider.ConsumeRemainingBytesAsString();
    const std::string strText = CCharsetDecoder::ToUtf8(strBytes, strContentType);
    if (strText.size() > 3 * strBytes.size())
        __builtin_trap();
    ExpectValidUtf8(strText);

    CHtmlLinkReader whole;
    whole.Read(strText);
    ExpectReferencesInside(whole, strText);
    CHtmlLinkReader parts({nTinyTags, nTinyTags, nTinyTags * 2, nTinyTags});
    parts.Read(strText);
    ExpectReferencesInside(parts, strText);
    if (whole.HasBase())
        ExpectValidUtf8(whole.GetBase());
    return 0;
}
