#include "html/LinkAttributeSyntax.h"

namespace {

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

bool IsAllDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char ch : text)
        if (!IsDigit(ch))
            return false;
    return true;
}

// A valid non-negative integer above zero, as a width or a height must be.
bool IsPositiveInteger(std::string_view text)
{
    return IsAllDigits(text) && text.find_first_not_of('0') != std::string_view::npos;
}

// A valid floating-point number that is not negative: -?(d+(.d+)?|.d+)([eE][-+]?d+)?
bool IsNonNegativeNumber(std::string_view text)
{
    std::size_t nPos = 0;
    bool bNegative = false;
    if (nPos < text.size() && text[nPos] == '-') {
        bNegative = true;
        ++nPos;
    }
    const std::size_t nIntegerStart = nPos;
    while (nPos < text.size() && IsDigit(text[nPos]))
        ++nPos;
    bool bDigits = nPos > nIntegerStart;
    bool bNonZero = text.substr(nIntegerStart, nPos - nIntegerStart).find_first_not_of('0') != std::string_view::npos;
    if (nPos < text.size() && text[nPos] == '.') {
        const std::size_t nFraction = ++nPos;
        while (nPos < text.size() && IsDigit(text[nPos]))
            ++nPos;
        if (nPos == nFraction)
            return false;
        bDigits = true;
        bNonZero
            = bNonZero || text.substr(nFraction, nPos - nFraction).find_first_not_of('0') != std::string_view::npos;
    }
    if (!bDigits)
        return false;
    if (nPos < text.size() && (text[nPos] == 'e' || text[nPos] == 'E')) {
        ++nPos;
        if (nPos < text.size() && (text[nPos] == '-' || text[nPos] == '+'))
            ++nPos;
        if (!IsAllDigits(text.substr(nPos)))
            return false;
        nPos = text.size();
    }
    return nPos == text.size() && !(bNegative && bNonZero);
}

// The standard's descriptor checks: at most one of width and density, a
// height only beside a width, each value well-formed.
bool AreValidDescriptors(const std::vector<std::string>& descriptors)
{
    bool bWidth = false, bDensity = false, bHeight = false;
    for (const std::string& strDescriptor : descriptors) {
        const char chKind = strDescriptor.back();
        const std::string_view value = std::string_view(strDescriptor).substr(0, strDescriptor.size() - 1);
        if (chKind == 'w' && !bWidth && !bDensity && IsPositiveInteger(value))
            bWidth = true;
        else if (chKind == 'x' && !bWidth && !bDensity && !bHeight && IsNonNegativeNumber(value))
            bDensity = true;
        else if (chKind == 'h' && !bHeight && !bDensity && IsPositiveInteger(value))
            bHeight = true;
        else
            return false;
    }
    return !bHeight || bWidth;
}

// The descriptor tokenizer, from just after a candidate's URL; stops after
// the comma that ends the candidate, or at the end.
std::vector<std::string> ReadDescriptors(std::string_view text, std::size_t& nPos)
{
    std::vector<std::string> descriptors;
    std::string strCurrent;
    bool bInParens = false;
    while (nPos < text.size() && CLinkAttributeSyntax::IsAsciiWhitespace(text[nPos]))
        ++nPos;
    for (; nPos < text.size(); ++nPos) {
        const char ch = text[nPos];
        if (bInParens) {
            strCurrent.push_back(ch);
            bInParens = ch != ')';
        } else if (CLinkAttributeSyntax::IsAsciiWhitespace(ch) || ch == ',') {
            if (!strCurrent.empty())
                descriptors.push_back(std::move(strCurrent));
            strCurrent.clear();
            if (ch == ',') {
                ++nPos;
                return descriptors;
            }
        } else {
            strCurrent.push_back(ch);
            bInParens = ch == '(';
        }
    }
    if (!strCurrent.empty())
        descriptors.push_back(std::move(strCurrent));
    return descriptors;
}

// What follows a refresh's time: an optional "url =", then the URL,
// which a quote may enclose.
std::string RefreshTarget(std::string_view text)
{
    std::size_t nPos = 0;
    const auto AT = [&](char chLower) { return nPos < text.size() && (text[nPos] | 0x20) == chLower; };
    std::size_t nUrl = 0;
    // A word that only starts like "url =" is the URL itself.
    if (AT('u') && (++nPos, AT('r')) && (++nPos, AT('l'))) {
        ++nPos;
        while (nPos < text.size() && CLinkAttributeSyntax::IsAsciiWhitespace(text[nPos]))
            ++nPos;
        if (nPos < text.size() && text[nPos] == '=') {
            ++nPos;
            while (nPos < text.size() && CLinkAttributeSyntax::IsAsciiWhitespace(text[nPos]))
                ++nPos;
            nUrl = nPos;
        }
    }
    char chQuote = 0;
    if (nUrl < text.size() && (text[nUrl] == '\'' || text[nUrl] == '"'))
        chQuote = text[nUrl++];
    std::string_view url = text.substr(nUrl);
    if (chQuote != 0)
        url = url.substr(0, url.find(chQuote));
    return std::string(url);
}

} // namespace

std::vector<std::string> CLinkAttributeSyntax::SplitSrcset(std::string_view strSrcset)
{
    std::vector<std::string> urls;
    std::size_t nPos = 0;
    while (true) {
        while (nPos < strSrcset.size() && (IsAsciiWhitespace(strSrcset[nPos]) || strSrcset[nPos] == ','))
            ++nPos;
        if (nPos >= strSrcset.size())
            return urls;
        const std::size_t nStart = nPos;
        while (nPos < strSrcset.size() && !IsAsciiWhitespace(strSrcset[nPos]))
            ++nPos;
        std::string_view url = strSrcset.substr(nStart, nPos - nStart);
        std::vector<std::string> descriptors;
        if (url.back() == ',') {
            // A URL ending in commas ends its candidate, with no descriptors.
            while (!url.empty() && url.back() == ',')
                url.remove_suffix(1);
        } else {
            descriptors = ReadDescriptors(strSrcset, nPos);
        }
        if (!url.empty() && AreValidDescriptors(descriptors))
            urls.emplace_back(url);
    }
}

std::string CLinkAttributeSyntax::RefreshUrl(std::string_view strContent)
{
    std::size_t nPos = 0;
    const auto SKIP_SPACES = [&] {
        while (nPos < strContent.size() && IsAsciiWhitespace(strContent[nPos]))
            ++nPos;
    };
    SKIP_SPACES();
    const std::size_t nTime = nPos;
    while (nPos < strContent.size() && IsDigit(strContent[nPos]))
        ++nPos;
    if (nPos == nTime && !(nPos < strContent.size() && strContent[nPos] == '.'))
        return {};
    while (nPos < strContent.size() && (IsDigit(strContent[nPos]) || strContent[nPos] == '.'))
        ++nPos;
    if (nPos < strContent.size()) {
        const char ch = strContent[nPos];
        if (ch != ';' && ch != ',' && !IsAsciiWhitespace(ch))
            return {};
        SKIP_SPACES();
        if (nPos < strContent.size() && (strContent[nPos] == ';' || strContent[nPos] == ','))
            ++nPos;
        SKIP_SPACES();
    }
    return nPos < strContent.size() ? RefreshTarget(strContent.substr(nPos)) : std::string();
}

std::string CLinkAttributeSyntax::CleanUrlValue(std::string_view strValue)
{
    while (!strValue.empty() && IsAsciiWhitespace(strValue.front()))
        strValue.remove_prefix(1);
    while (!strValue.empty() && IsAsciiWhitespace(strValue.back()))
        strValue.remove_suffix(1);
    std::string strClean;
    strClean.reserve(strValue.size());
    for (char ch : strValue)
        if (ch != '\t' && ch != '\n' && ch != '\r')
            strClean.push_back(ch);
    if (!strClean.empty() && strClean[0] == '#')
        strClean.clear();
    return strClean;
}
