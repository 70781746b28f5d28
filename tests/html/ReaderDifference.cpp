#include "html/ReaderDifference.h"

#include "html/GumboLinkReader.h"
#include "html/HtmlLinkReader.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlTreeState.h"

#include <algorithm>
#include <cctype>
#include <tuple>
#include <vector>

namespace {

using Reference = std::tuple<std::string, int, int>;

template <class TReader> std::vector<Reference> ReadAll(const TReader& reader)
{
    std::vector<Reference> references;
    for (std::size_t i = 0; i < reader.GetCount(); ++i) {
        const SHtmlReference reference = reader.GetReference(i);
        references.emplace_back(std::string(reference.strValue), reference.nLine, reference.nColumn);
    }
    return references;
}

std::string Describe(const std::vector<Reference>& references, std::size_t nIndex)
{
    if (nIndex >= references.size())
        return "nothing";
    const auto& [strValue, nLine, nColumn] = references[nIndex];
    return "'" + strValue + "' at " + std::to_string(nLine) + ":" + std::to_string(nColumn);
}

} // namespace

std::string CReaderDifference::Find(std::string_view strUtf8)
{
    CHtmlLinkReader ours;
    ours.Read(strUtf8);
    CGumboLinkReader gumbo;
    gumbo.Read(strUtf8);
    const std::vector<Reference> oursRead = ReadAll(ours);
    const std::vector<Reference> gumboRead = ReadAll(gumbo);
    const auto [itOurs, itGumbo] = std::mismatch(oursRead.begin(), oursRead.end(), gumboRead.begin(), gumboRead.end());
    if (itOurs != oursRead.end() || itGumbo != gumboRead.end()) {
        const auto nIndex = static_cast<std::size_t>(itOurs - oursRead.begin());
        return "reference " + std::to_string(nIndex) + ": ours " + Describe(oursRead, nIndex) + ", gumbo's "
            + Describe(gumboRead, nIndex);
    }
    if (ours.HasBase() != gumbo.HasBase() || ours.GetBase() != gumbo.GetBase())
        return "base: ours '" + ours.GetBase() + "', gumbo's '" + gumbo.GetBase() + "'";
    return {};
}

namespace {

bool ContainsNoCase(std::string_view text, std::string_view lower)
{
    const auto it = std::search(text.begin(), text.end(), lower.begin(), lower.end(),
        [](char ch, char chLower) { return (ch >= 'A' && ch <= 'Z' ? ch | 0x20 : ch) == chLower; });
    return it != text.end();
}

// C0 controls other than whitespace and NUL, DEL, and C1 controls.
bool HasControlCharacter(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto nByte = static_cast<unsigned char>(text[i]);
        if ((nByte >= 0x01 && nByte <= 0x08) || nByte == 0x0B || (nByte >= 0x0E && nByte <= 0x1F) || nByte == 0x7F)
            return true;
        if (nByte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

// A numeric reference beyond U+10FFFF, where gumbo keeps the low bits.
bool HasReferenceBeyondUnicode(std::string_view text)
{
    for (std::size_t nPos = text.find("&#"); nPos != std::string_view::npos; nPos = text.find("&#", nPos + 2)) {
        std::size_t nDigit = nPos + 2;
        const bool bHex = nDigit < text.size() && (text[nDigit] | 0x20) == 'x';
        nDigit += bHex ? 1 : 0;
        unsigned long long nValue = 0;
        for (; nDigit < text.size() && std::isxdigit(static_cast<unsigned char>(text[nDigit])); ++nDigit) {
            if (!bHex && !std::isdigit(static_cast<unsigned char>(text[nDigit])))
                break;
            nValue = std::min(nValue * (bHex ? 16 : 10)
                    + static_cast<unsigned long long>(std::stoi(std::string(1, text[nDigit]), nullptr, 16)),
                0x110000ull);
        }
        if (nValue > 0x10FFFF)
            return true;
    }
    return false;
}

// An end tag inside SVG or MathML that closes nothing: gumbo closes the
// foreign content there. A repeated attribute: gumbo may drop the next one
// too. A NUL in an attribute's name: gumbo drops it where it is U+FFFD. An
// end tag in foreign content with more after its name than its '>'.
bool HasGumboTagError(std::string_view text)
{
    CHtmlTokenizer tokenizer(text);
    CHtmlTreeState tree;
    SHtmlTag tag;
    while (tokenizer.NextTag(tag)) {
        if (tag.bDroppedDuplicate)
            return true;
        for (std::size_t i = 0; i < tag.nAttributes; ++i)
            if (tag.attributes[i].strName.find("\xEF\xBF\xBD") != std::string::npos)
                return true;
        if (tag.bEndTag) {
            const bool bForeign = tree.IsForeignContent();
            const std::size_t nDepth = tree.GetDepth();
            tree.OnEndTag(tag);
            if (bForeign && tree.GetDepth() == nDepth)
                return true;
            // "</svg >" in foreign content: gumbo does not close the svg.
            const std::size_t nAfterName = tag.nOffset + 2 + tag.strName.size();
            if (bForeign && nAfterName < text.size() && text[nAfterName] != '>')
                return true;
        } else {
            const CHtmlTreeState::SElement element = tree.OnStartTag(tag, tokenizer.HasSeenText());
            if (element.eText != CHtmlTokenizer::EText::DATA)
                tokenizer.SetText(element.eText, tag.strName);
        }
        tokenizer.SetForeignContent(tree.IsForeignContent());
    }
    return false;
}

} // namespace

bool CReaderDifference::IsGumboError(std::string_view strUtf8)
{
    return ContainsNoCase(strUtf8, "<select") || strUtf8.find("</>") != std::string_view::npos
        || HasControlCharacter(strUtf8) || HasReferenceBeyondUnicode(strUtf8) || HasGumboTagError(strUtf8);
}
