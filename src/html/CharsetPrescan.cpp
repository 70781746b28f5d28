#include "html/CharsetPrescan.h"

#include <optional>
#include <utility>

namespace {

bool IsSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\f' || ch == '\r';
}

char ToLower(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

bool IsLetter(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

bool StartsWithNoCase(std::string_view text, std::size_t nPos, std::string_view prefix)
{
    if (text.size() - nPos < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (ToLower(text[nPos + i]) != prefix[i])
            return false;
    return true;
}

using Attribute = std::pair<std::string, std::string>;

// A cursor over the scanned bytes; every step stays inside them.
struct SCursor {
    std::string_view bytes;
    std::size_t nPos = 0;

    bool AtEnd() const { return nPos >= bytes.size(); }
    char Peek() const { return bytes[nPos]; }
    void SkipSpaces()
    {
        while (!AtEnd() && IsSpace(Peek()))
            ++nPos;
    }
    void SkipPast(std::string_view marker)
    {
        std::size_t nFound = bytes.find(marker, nPos);
        nPos = nFound == std::string_view::npos ? bytes.size() : nFound + marker.size();
    }
};

std::string ReadAttributeValue(SCursor& cursor)
{
    std::string strValue;
    cursor.SkipSpaces();
    if (cursor.AtEnd())
        return strValue;
    const char chQuote = cursor.Peek();
    if (chQuote == '"' || chQuote == '\'') {
        ++cursor.nPos;
        while (!cursor.AtEnd() && cursor.Peek() != chQuote)
            strValue.push_back(ToLower(cursor.bytes[cursor.nPos++]));
        if (!cursor.AtEnd())
            ++cursor.nPos;
        return strValue;
    }
    while (!cursor.AtEnd() && !IsSpace(cursor.Peek()) && cursor.Peek() != '>')
        strValue.push_back(ToLower(cursor.bytes[cursor.nPos++]));
    return strValue;
}

// The standard's "get an attribute": names and values lower-cased; no
// attribute at a '>' or at the end of the scanned bytes.
std::optional<Attribute> ReadAttribute(SCursor& cursor)
{
    while (!cursor.AtEnd() && (IsSpace(cursor.Peek()) || cursor.Peek() == '/'))
        ++cursor.nPos;
    if (cursor.AtEnd() || cursor.Peek() == '>')
        return std::nullopt;
    Attribute attribute;
    do {
        const char ch = cursor.bytes[cursor.nPos];
        if (ch == '=' && !attribute.first.empty())
            break;
        if (IsSpace(ch)) {
            cursor.SkipSpaces();
            if (cursor.AtEnd() || cursor.Peek() != '=')
                return attribute;
            break;
        }
        if (ch == '/' || ch == '>')
            return attribute;
        attribute.first.push_back(ToLower(ch));
        ++cursor.nPos;
    } while (!cursor.AtEnd());
    if (cursor.AtEnd())
        return attribute;
    ++cursor.nPos; // the '='
    attribute.second = ReadAttributeValue(cursor);
    return attribute;
}

// One <meta ...>'s attributes: the label it declares, if it declares one.
std::string ReadMeta(SCursor& cursor)
{
    bool bGotPragma = false;
    std::optional<bool> needPragma;
    std::string strCharset;
    std::string strSeen = " ";
    while (std::optional<Attribute> attribute = ReadAttribute(cursor)) {
        // Only the first of attributes with the same name counts.
        if (strSeen.find(" " + attribute->first + " ") != std::string::npos)
            continue;
        strSeen += attribute->first + " ";
        if (attribute->first == "http-equiv") {
            bGotPragma = bGotPragma || attribute->second == "content-type";
        } else if (attribute->first == "content" && strCharset.empty()) {
            strCharset = CCharsetPrescan::CharsetFromContent(attribute->second);
            if (!strCharset.empty())
                needPragma = true;
        } else if (attribute->first == "charset") {
            strCharset = attribute->second;
            needPragma = false;
        }
    }
    if (!needPragma || (*needPragma && !bGotPragma))
        return {};
    return strCharset;
}

// Skips a start or end tag's name and attributes, so that a '<' inside a
// quoted value starts nothing.
void SkipTag(SCursor& cursor)
{
    while (!cursor.AtEnd() && !IsSpace(cursor.Peek()) && cursor.Peek() != '>')
        ++cursor.nPos;
    while (ReadAttribute(cursor)) {}
}

} // namespace

std::string CCharsetPrescan::FindMetaLabel(std::string_view bytes, bool (*pIsKnown)(std::string_view strLabel))
{
    SCursor cursor {bytes.substr(0, SCAN_LIMIT)};
    while (!cursor.AtEnd()) {
        if (StartsWithNoCase(cursor.bytes, cursor.nPos, "<!--")) {
            cursor.nPos += 2; // "<!-->" is a whole comment
            cursor.SkipPast("-->");
        } else if (StartsWithNoCase(cursor.bytes, cursor.nPos, "<meta") && cursor.nPos + 5 < cursor.bytes.size()
            && (IsSpace(cursor.bytes[cursor.nPos + 5]) || cursor.bytes[cursor.nPos + 5] == '/')) {
            cursor.nPos += 6;
            std::string strLabel = ReadMeta(cursor);
            if (!strLabel.empty() && pIsKnown(strLabel))
                return strLabel;
        } else if (cursor.Peek() == '<' && cursor.nPos + 1 < cursor.bytes.size()
            && (IsLetter(cursor.bytes[cursor.nPos + 1])
                || (cursor.bytes[cursor.nPos + 1] == '/' && cursor.nPos + 2 < cursor.bytes.size()
                    && IsLetter(cursor.bytes[cursor.nPos + 2])))) {
            SkipTag(cursor);
        } else if (StartsWithNoCase(cursor.bytes, cursor.nPos, "<!")
            || StartsWithNoCase(cursor.bytes, cursor.nPos, "</") || StartsWithNoCase(cursor.bytes, cursor.nPos, "<?")) {
            cursor.SkipPast(">");
        } else {
            ++cursor.nPos;
        }
    }
    return {};
}

std::string CCharsetPrescan::CharsetFromContent(std::string_view strContent)
{
    std::size_t nPos = 0;
    while (true) {
        std::size_t nFound = std::string_view::npos;
        for (std::size_t i = nPos; i + 7 <= strContent.size() && nFound == std::string_view::npos; ++i)
            if (StartsWithNoCase(strContent, i, "charset"))
                nFound = i;
        if (nFound == std::string_view::npos)
            return {};
        SCursor cursor {strContent, nFound + 7};
        cursor.SkipSpaces();
        if (cursor.AtEnd() || cursor.Peek() != '=') {
            nPos = cursor.nPos;
            continue;
        }
        ++cursor.nPos;
        cursor.SkipSpaces();
        if (cursor.AtEnd())
            return {};
        const char chQuote = cursor.Peek();
        if (chQuote == '"' || chQuote == '\'') {
            std::size_t nClose = strContent.find(chQuote, cursor.nPos + 1);
            if (nClose == std::string_view::npos)
                return {};
            return std::string(strContent.substr(cursor.nPos + 1, nClose - cursor.nPos - 1));
        }
        std::size_t nEnd = cursor.nPos;
        while (nEnd < strContent.size() && !IsSpace(strContent[nEnd]) && strContent[nEnd] != ';')
            ++nEnd;
        return std::string(strContent.substr(cursor.nPos, nEnd - cursor.nPos));
    }
}
