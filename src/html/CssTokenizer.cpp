#include "html/CssTokenizer.h"

#include <cstdint>

namespace {

using EKind = CCssTokenizer::EKind;

bool IsNewline(char ch)
{
    return ch == '\n' || ch == '\r' || ch == '\f';
}

bool IsWhitespace(char ch)
{
    return IsNewline(ch) || ch == ' ' || ch == '\t';
}

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

bool IsHexDigit(char ch)
{
    return IsDigit(ch) || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

bool IsNameStart(char ch)
{
    const auto byte = static_cast<unsigned char>(ch);
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || ch == '_' || byte >= 0x80;
}

bool IsNameCharacter(char ch)
{
    return IsNameStart(ch) || IsDigit(ch) || ch == '-';
}

bool IsNonPrintable(char ch)
{
    const auto byte = static_cast<unsigned char>(ch);
    return (byte >= 0x01 && byte <= 0x08) || byte == 0x0B || (byte >= 0x0E && byte <= 0x1F) || byte == 0x7F;
}

int HexValue(char ch)
{
    if (IsDigit(ch))
        return ch - '0';
    return (ch | 0x20) - 'a' + 10;
}

void AppendCodePoint(std::string& str, std::uint32_t nCode)
{
    const auto Byte = [](std::uint32_t nBits) { return static_cast<char>(nBits); };
    if (nCode < 0x80) {
        str += Byte(nCode);
    } else if (nCode < 0x800) {
        str += Byte(0xC0 | (nCode >> 6));
        str += Byte(0x80 | (nCode & 0x3F));
    } else if (nCode < 0x10000) {
        str += Byte(0xE0 | (nCode >> 12));
        str += Byte(0x80 | ((nCode >> 6) & 0x3F));
        str += Byte(0x80 | (nCode & 0x3F));
    } else {
        str += Byte(0xF0 | (nCode >> 18));
        str += Byte(0x80 | ((nCode >> 12) & 0x3F));
        str += Byte(0x80 | ((nCode >> 6) & 0x3F));
        str += Byte(0x80 | (nCode & 0x3F));
    }
}

constexpr std::uint32_t REPLACEMENT = 0xFFFD;

// A zero byte reads as U+FFFD, as the input's preprocessing makes it.
void AppendCharacter(std::string& str, char ch)
{
    if (ch == '\0')
        AppendCodePoint(str, REPLACEMENT);
    else
        str += ch;
}

} // namespace

char CCssTokenizer::At(std::size_t nAhead) const
{
    // A zero byte past the end stands for the end; one within is data,
    // told apart by the callers' bounds checks where it matters.
    return m_nPos + nAhead < m_text.size() ? m_text[m_nPos + nAhead] : '\0';
}

bool CCssTokenizer::IsValidEscape(std::size_t nAhead) const
{
    return m_nPos + nAhead < m_text.size() && At(nAhead) == '\\' && !IsNewline(At(nAhead + 1));
}

bool CCssTokenizer::StartsIdentifier(std::size_t nAhead) const
{
    if (m_nPos + nAhead >= m_text.size())
        return false;
    // A zero byte within the text reads as U+FFFD, which starts a name.
    const auto StartsName
        = [this](std::size_t nAt) { return m_nPos + nAt < m_text.size() && (IsNameStart(At(nAt)) || At(nAt) == '\0'); };
    if (At(nAhead) == '-')
        return StartsName(nAhead + 1) || (m_nPos + nAhead + 1 < m_text.size() && At(nAhead + 1) == '-')
            || IsValidEscape(nAhead + 1);
    return StartsName(nAhead) || IsValidEscape(nAhead);
}

bool CCssTokenizer::StartsNumber() const
{
    std::size_t nAhead = 0;
    if (At(0) == '+' || At(0) == '-')
        nAhead = 1;
    if (IsDigit(At(nAhead)) && m_nPos + nAhead < m_text.size())
        return true;
    return At(nAhead) == '.' && IsDigit(At(nAhead + 1)) && m_nPos + nAhead + 1 < m_text.size();
}

void CCssTokenizer::SkipComments()
{
    while (m_nPos + 1 < m_text.size() && At(0) == '/' && At(1) == '*') {
        const std::size_t nEnd = m_text.find("*/", m_nPos + 2);
        m_nPos = nEnd == std::string_view::npos ? m_text.size() : nEnd + 2;
    }
}

void CCssTokenizer::SkipNewline()
{
    // CR LF is one line break.
    m_nPos += At(0) == '\r' && At(1) == '\n' ? 2 : 1;
}

void CCssTokenizer::ConsumeEscape(std::string& strValue)
{
    ++m_nPos; // the backslash
    if (m_nPos >= m_text.size()) {
        AppendCodePoint(strValue, REPLACEMENT);
        return;
    }
    if (!IsHexDigit(At(0))) {
        AppendCharacter(strValue, At(0));
        ++m_nPos;
        return;
    }
    std::uint32_t nCode = 0;
    for (int nDigits = 0; nDigits < 6 && m_nPos < m_text.size() && IsHexDigit(At(0)); ++nDigits, ++m_nPos)
        nCode = nCode * 16 + static_cast<std::uint32_t>(HexValue(At(0)));
    if (m_nPos < m_text.size() && IsWhitespace(At(0)))
        SkipNewline();
    if (nCode == 0 || (nCode >= 0xD800 && nCode <= 0xDFFF) || nCode > 0x10FFFF)
        nCode = REPLACEMENT;
    AppendCodePoint(strValue, nCode);
}

std::string CCssTokenizer::ConsumeName()
{
    std::string strName;
    while (m_nPos < m_text.size()) {
        if (IsNameCharacter(At(0)) || At(0) == '\0') {
            AppendCharacter(strName, At(0));
            ++m_nPos;
        } else if (IsValidEscape(0)) {
            ConsumeEscape(strName);
        } else {
            break;
        }
    }
    return strName;
}

void CCssTokenizer::ConsumeNumeric()
{
    if (At(0) == '+' || At(0) == '-')
        ++m_nPos;
    const auto SkipDigits = [this] {
        while (m_nPos < m_text.size() && IsDigit(At(0)))
            ++m_nPos;
    };
    SkipDigits();
    if (At(0) == '.' && IsDigit(At(1)) && m_nPos + 1 < m_text.size()) {
        ++m_nPos;
        SkipDigits();
    }
    if ((At(0) == 'e' || At(0) == 'E') && m_nPos + 1 < m_text.size()) {
        const std::size_t nSign = At(1) == '+' || At(1) == '-' ? 1 : 0;
        if (IsDigit(At(1 + nSign)) && m_nPos + 1 + nSign < m_text.size()) {
            m_nPos += 1 + nSign;
            SkipDigits();
        }
    }
    if (StartsIdentifier(0))
        ConsumeName();
    else if (m_nPos < m_text.size() && At(0) == '%')
        ++m_nPos;
}

CCssTokenizer::SToken CCssTokenizer::ConsumeString(char chEnd)
{
    SToken token {EKind::STRING, m_nPos, std::string()};
    ++m_nPos;
    while (m_nPos < m_text.size()) {
        const char ch = At(0);
        if (ch == chEnd) {
            ++m_nPos;
            return token;
        }
        // An unescaped line break ends a string unfinished, and stays unread.
        if (IsNewline(ch)) {
            token.eKind = EKind::BAD_STRING;
            token.strValue.clear();
            return token;
        }
        if (ch == '\\') {
            if (m_nPos + 1 >= m_text.size()) {
                ++m_nPos;
            } else if (IsNewline(At(1))) {
                ++m_nPos;
                SkipNewline();
            } else {
                ConsumeEscape(token.strValue);
            }
            continue;
        }
        AppendCharacter(token.strValue, ch);
        ++m_nPos;
    }
    return token;
}

CCssTokenizer::SToken CCssTokenizer::ConsumeIdentLike()
{
    SToken token {EKind::IDENT, m_nPos, std::string()};
    token.strValue = ConsumeName();
    if (m_nPos >= m_text.size() || At(0) != '(')
        return token;
    ++m_nPos;
    token.eKind = EKind::FUNCTION;
    const bool bUrl = token.strValue.size() == 3 && (token.strValue[0] | 0x20) == 'u'
        && (token.strValue[1] | 0x20) == 'r' && (token.strValue[2] | 0x20) == 'l';
    if (!bUrl)
        return token;
    // url( with a quoted argument is a function whose argument is a string.
    while (m_nPos + 1 < m_text.size() && IsWhitespace(At(0)) && IsWhitespace(At(1)))
        ++m_nPos;
    const std::size_t nQuote = m_nPos < m_text.size() && IsWhitespace(At(0)) ? 1 : 0;
    if (m_nPos + nQuote < m_text.size() && (At(nQuote) == '"' || At(nQuote) == '\''))
        return token;
    SToken url = ConsumeUrl();
    url.nOffset = token.nOffset;
    return url;
}

CCssTokenizer::SToken CCssTokenizer::ConsumeUrl()
{
    SToken token {EKind::URL, m_nPos, std::string()};
    while (m_nPos < m_text.size() && IsWhitespace(At(0)))
        ++m_nPos;
    while (m_nPos < m_text.size()) {
        const char ch = At(0);
        if (ch == ')') {
            ++m_nPos;
            return token;
        }
        if (IsWhitespace(ch)) {
            while (m_nPos < m_text.size() && IsWhitespace(At(0)))
                ++m_nPos;
            if (m_nPos >= m_text.size() || At(0) == ')') {
                m_nPos += m_nPos < m_text.size() ? 1 : 0;
                return token;
            }
            break;
        }
        if (ch == '"' || ch == '\'' || ch == '(' || IsNonPrintable(ch) || (ch == '\\' && !IsValidEscape(0)))
            break;
        if (ch == '\\') {
            ConsumeEscape(token.strValue);
        } else {
            AppendCharacter(token.strValue, ch);
            ++m_nPos;
        }
    }
    if (m_nPos >= m_text.size())
        return token;
    ConsumeBadUrlRemnants();
    token.eKind = EKind::BAD_URL;
    token.strValue.clear();
    return token;
}

void CCssTokenizer::ConsumeBadUrlRemnants()
{
    while (m_nPos < m_text.size()) {
        if (At(0) == ')') {
            ++m_nPos;
            return;
        }
        if (IsValidEscape(0)) {
            std::string strIgnored;
            ConsumeEscape(strIgnored);
        } else {
            ++m_nPos;
        }
    }
}

CCssTokenizer::SToken CCssTokenizer::Next()
{
    SkipComments();
    if (m_nPos >= m_text.size())
        return {EKind::END, m_text.size(), std::string()};
    const std::size_t nStart = m_nPos;
    const char ch = At(0);
    if (IsWhitespace(ch)) {
        while (m_nPos < m_text.size() && IsWhitespace(At(0)))
            ++m_nPos;
        return {EKind::WHITESPACE, nStart, std::string()};
    }
    if (ch == '"' || ch == '\'')
        return ConsumeString(ch);
    if (IsDigit(ch) || ((ch == '+' || ch == '-' || ch == '.') && StartsNumber())) {
        ConsumeNumeric();
        return {EKind::OTHER, nStart, std::string()};
    }
    if (ch == '-' && At(1) == '-' && At(2) == '>' && m_nPos + 2 < m_text.size()) {
        m_nPos += 3;
        return {EKind::OTHER, nStart, std::string()};
    }
    if (ch == '<' && m_text.substr(m_nPos, 4) == "<!--") {
        m_nPos += 4;
        return {EKind::OTHER, nStart, std::string()};
    }
    if (StartsIdentifier(0))
        return ConsumeIdentLike();
    if (ch == '@' && StartsIdentifier(1)) {
        ++m_nPos;
        return {EKind::AT_KEYWORD, nStart, ConsumeName()};
    }
    if (ch == '#' && m_nPos + 1 < m_text.size() && (IsNameCharacter(At(1)) || At(1) == '\0' || IsValidEscape(1))) {
        ++m_nPos;
        ConsumeName();
        return {EKind::OTHER, nStart, std::string()};
    }
    // Every other character is a token of its own that holds no URL.
    ++m_nPos;
    return {EKind::OTHER, nStart, std::string()};
}
