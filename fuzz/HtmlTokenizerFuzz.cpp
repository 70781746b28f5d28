// Arbitrary markup through the tokenizer, driven by the tree state as the
// reader drives it: tags come in the order of their '<', each at a '<' of
// the text, with a name in lower case, no two attributes of one name, and
// names and values that are valid UTF-8.
#include "html/CharsetDecoder.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlTreeState.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

namespace {

void Expect(bool bHolds)
{
    if (!bHolds)
        __builtin_trap();
}

void ExpectWellFormed(const SHtmlTag& tag, const std::string& strText, std::size_t nLastOffset)
{
    Expect(tag.nOffset < strText.size() && strText[tag.nOffset] == '<');
    Expect(nLastOffset == std::string::npos || tag.nOffset > nLastOffset);
    Expect(!tag.strName.empty() && CCharsetDecoder::IsValidUtf8(tag.strName));
    for (char ch : tag.strName)
        Expect(ch < 'A' || ch > 'Z');
    std::set<std::string> names;
    for (std::size_t i = 0; i < tag.nAttributes; ++i) {
        Expect(names.insert(tag.attributes[i].strName).second);
        Expect(CCharsetDecoder::IsValidUtf8(tag.attributes[i].strName));
        Expect(CCharsetDecoder::IsValidUtf8(tag.attributes[i].strValue));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string strText
        = CCharsetDecoder::RepairUtf8(std::string_view(reinterpret_cast<const char*>(pData), nSize));
    CHtmlTokenizer tokenizer(strText);
    CHtmlTreeState tree;
    SHtmlTag tag;
    std::size_t nLastOffset = std::string::npos;
    while (tokenizer.NextTag(tag)) {
        ExpectWellFormed(tag, strText, nLastOffset);
        nLastOffset = tag.nOffset;
        if (tag.bEndTag) {
            tree.OnEndTag(tag);
        } else {
            const CHtmlTreeState::SElement element = tree.OnStartTag(tag, tokenizer.HasSeenText());
            if (element.eText != CHtmlTokenizer::EText::DATA)
                tokenizer.SetText(element.eText, tag.strName);
        }
        tokenizer.SetForeignContent(tree.IsForeignContent());
    }
    return 0;
}
