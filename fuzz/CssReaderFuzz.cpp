// A stylesheet of arbitrary bytes read for links, from the first line and
// from a place within a page: every reference a non-empty value no longer
// than three bytes a byte of the text, valid UTF-8 when the text is, in
// source order, and the same values at positions shifted as the start is.
#include "html/CharsetDecoder.h"
#include "html/CssLinkReader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Expect(bool bHolds)
{
    if (!bHolds)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    FuzzedDataProvider provider(pData, nSize);
    const int nLine = provider.ConsumeIntegralInRange<int>(1, 1000);
    const int nColumn = provider.ConsumeIntegralInRange<int>(1, 1000);
    const std::string strText = provider.ConsumeRemainingBytesAsString();
    const bool bValidText = CCharsetDecoder::IsValidUtf8(strText);
    const std::vector<SCssReference> sheet = CCssLinkReader::Read(strText);
    const std::vector<SCssReference> within = CCssLinkReader::Read(strText, nLine, nColumn);
    Expect(sheet.size() == within.size());
    Expect(sheet.size() <= strText.size());
    for (std::size_t n = 0; n < sheet.size(); ++n) {
        const SCssReference& ref = sheet[n];
        Expect(!ref.strValue.empty() && ref.strValue.front() != '#');
        Expect(ref.strValue.size() <= 3 * strText.size());
        Expect(!bValidText || CCharsetDecoder::IsValidUtf8(ref.strValue));
        Expect(ref.nLine >= 1 && ref.nColumn >= 1 && static_cast<std::size_t>(ref.nLine) <= strText.size() + 1);
        Expect(static_cast<std::size_t>(ref.nColumn) <= strText.size() + 1);
        if (n > 0)
            Expect(ref.nLine > sheet[n - 1].nLine
                || (ref.nLine == sheet[n - 1].nLine && ref.nColumn >= sheet[n - 1].nColumn));
        Expect(within[n].strValue == ref.strValue && within[n].bImport == ref.bImport);
        Expect(within[n].nLine == ref.nLine + nLine - 1);
        Expect(within[n].nColumn == (ref.nLine == 1 ? ref.nColumn + nColumn - 1 : ref.nColumn));
    }
    return 0;
}
