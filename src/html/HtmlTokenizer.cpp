#include "html/HtmlTokenizer.h"

#include "html/CharacterReference.h"

namespace {

constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";

// CR counts as the LF it is read as.
bool IsSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\f' || ch == '\r';
}

bool IsAlpha(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

char Lower(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

bool StartsWithNoCase(std::string_view text, std::size_t nPos, std::string_view lower)
{
    if (text.size() - nPos < lower.size())
        return false;
    for (std::size_t i = 0; i < lower.size(); ++i)
        if (Lower(text[nPos + i]) != lower[i])
            return false;
    return true;
}

void BeginTag(SHtmlTag& tag, std::size_t nLess, bool bEndTag)
{
    tag.bEndTag = bEndTag;
    tag.bSelfClosing = false;
    tag.bDroppedDuplicate = false;
    tag.nOffset = nLess;
    tag.strName.clear();
    tag.nAttributes = 0;
}

} // namespace

bool CHtmlTokenizer::NextTag(SHtmlTag& tag)
{
    while (m_nPos < m_text.size()) {
        bool bTag = false;
        switch (m_eText) {
        case EText::DATA: bTag = ReadData(tag); break;
        case EText::RCDATA:
        case EText::RAWTEXT: bTag = ReadTextUntilEndTag(tag); break;
        case EText::SCRIPT_DATA: bTag = ReadScriptData(tag); break;
        case EText::PLAINTEXT: m_nPos = m_text.size(); break;
        }
        if (bTag)
            return true;
    }
    return false;
}

void CHtmlTokenizer::SetText(EText eText, std::string_view strEndName)
{
    m_eText = eText;
    m_strEndName.assign(strEndName);
}

void CHtmlTokenizer::NoteText(std::size_t nStart, std::size_t nEnd)
{
    // The tree builder drops a NUL in data.
    for (std::size_t i = nStart; i < nEnd && !m_bSeenText; ++i)
        m_bSeenText = !IsSpace(m_text[i]) && m_text[i] != '\0';
}

void CHtmlTokenizer::SkipPast(char ch)
{
    const std::size_t nFound = m_text.find(ch, m_nPos);
    m_nPos = nFound == std::string_view::npos ? m_text.size() : nFound + 1;
}

// The data state and the tag open states: a '<' that opens nothing is text.
bool CHtmlTokenizer::ReadData(SHtmlTag& tag)
{
    const std::size_t nLess = m_text.find('<', m_nPos);
    if (nLess == std::string_view::npos) {
        NoteText(m_nPos, m_text.size());
        m_nPos = m_text.size();
        return false;
    }
    NoteText(m_nPos, nLess);
    m_nPos = nLess + 1;
    if (m_nPos >= m_text.size()) {
        m_bSeenText = true;
        return false;
    }
    const char ch = m_text[m_nPos];
    if (IsAlpha(ch))
        return ReadTag(tag, nLess, false);
    if (ch == '!') {
        ++m_nPos;
        return ReadMarkupDeclaration();
    }
    if (ch == '?') {
        SkipPast('>'); // a bogus comment
        return false;
    }
    if (ch != '/') {
        m_bSeenText = true;
        return false;
    }
    ++m_nPos;
    if (m_nPos >= m_text.size()) {
        m_bSeenText = true;
        return false;
    }
    if (IsAlpha(m_text[m_nPos]))
        return ReadTag(tag, nLess, true);
    if (m_text[m_nPos] == '>')
        ++m_nPos; // "</>" is nothing at all
    else
        SkipPast('>'); // a bogus comment
    return false;
}

// From just after "<!": a comment, a DOCTYPE (which every one of its states
// ends at '>'), a CDATA section, or a bogus comment.
bool CHtmlTokenizer::ReadMarkupDeclaration()
{
    if (m_text.substr(m_nPos, 2) == "--") {
        m_nPos += 2;
        SkipComment();
    } else if (StartsWithNoCase(m_text, m_nPos, "doctype")) {
        m_nPos += 7;
        SkipPast('>');
    } else if (m_bForeign && m_text.substr(m_nPos, 7) == "[CDATA[") {
        const std::size_t nEnd = m_text.find("]]>", m_nPos + 7);
        m_nPos = nEnd == std::string_view::npos ? m_text.size() : nEnd + 3;
    } else {
        SkipPast('>');
    }
    return false;
}

// From just after "<!--": "<!-->" and "<!--->" end at once; otherwise the
// comment ends at "--" (or more dashes) and '>', or at "--!>".
void CHtmlTokenizer::SkipComment()
{
    if (m_nPos < m_text.size() && m_text[m_nPos] == '>') {
        ++m_nPos;
        return;
    }
    if (m_text.substr(m_nPos, 2) == "->") {
        m_nPos += 2;
        return;
    }
    while (true) {
        const std::size_t nDash = m_text.find('-', m_nPos);
        if (nDash == std::string_view::npos) {
            m_nPos = m_text.size();
            return;
        }
        m_nPos = nDash;
        while (m_nPos < m_text.size() && m_text[m_nPos] == '-')
            ++m_nPos;
        if (m_nPos - nDash < 2)
            continue;
        if (m_nPos < m_text.size() && m_text[m_nPos] == '>') {
            ++m_nPos;
            return;
        }
        if (m_text.substr(m_nPos, 2) == "!>") {
            m_nPos += 2;
            return;
        }
    }
}

// "</" and the name of the element that holds the text, then a character
// that ends a tag name.
bool CHtmlTokenizer::IsAppropriateEndTag(std::size_t nLess) const
{
    const std::size_t nName = nLess + 2;
    if (nName + m_strEndName.size() >= m_text.size() || m_text[nLess + 1] != '/')
        return false;
    if (!StartsWithNoCase(m_text, nName, m_strEndName))
        return false;
    const char ch = m_text[nName + m_strEndName.size()];
    return IsSpace(ch) || ch == '/' || ch == '>';
}

// RCDATA and RAWTEXT: nothing but their element's end tag ends them.
bool CHtmlTokenizer::ReadTextUntilEndTag(SHtmlTag& tag)
{
    while (true) {
        const std::size_t nLess = m_text.find('<', m_nPos);
        if (nLess == std::string_view::npos) {
            m_nPos = m_text.size();
            return false;
        }
        if (!IsAppropriateEndTag(nLess)) {
            m_nPos = nLess + 1;
            continue;
        }
        return ReadTextEndTag(tag, nLess);
    }
}

// The end tag that ends a text, which the data state follows.
bool CHtmlTokenizer::ReadTextEndTag(SHtmlTag& tag, std::size_t nLess)
{
    BeginTag(tag, nLess, true);
    tag.strName = m_strEndName;
    m_nPos = nLess + 2 + m_strEndName.size();
    m_eText = EText::DATA;
    return ReadAttributes(tag);
}

bool CHtmlTokenizer::ReadTag(SHtmlTag& tag, std::size_t nLess, bool bEndTag)
{
    BeginTag(tag, nLess, bEndTag);
    const std::size_t nStart = m_nPos;
    while (m_nPos < m_text.size()) {
        const char ch = m_text[m_nPos];
        if (IsSpace(ch) || ch == '/' || ch == '>' || ch == '\0')
            break;
        ++m_nPos;
    }
    tag.strName.assign(m_text.substr(nStart, m_nPos - nStart));
    for (char& ch : tag.strName)
        ch = Lower(ch);
    while (m_nPos < m_text.size() && m_text[m_nPos] == '\0') {
        // A NUL is U+FFFD in the name, which then goes on.
        tag.strName.append(REPLACEMENT);
        ++m_nPos;
        while (m_nPos < m_text.size() && !IsSpace(m_text[m_nPos]) && m_text[m_nPos] != '/' && m_text[m_nPos] != '>'
            && m_text[m_nPos] != '\0')
            tag.strName.push_back(Lower(m_text[m_nPos++]));
    }
    return ReadAttributes(tag);
}

// The before and after attribute name states and the self-closing start
// tag state, from the character that ended the tag name or value.
bool CHtmlTokenizer::ReadAttributes(SHtmlTag& tag)
{
    while (true) {
        while (m_nPos < m_text.size() && IsSpace(m_text[m_nPos]))
            ++m_nPos;
        if (m_nPos >= m_text.size())
            return false;
        const char ch = m_text[m_nPos];
        if (ch == '>') {
            ++m_nPos;
            return true;
        }
        if (ch == '/') {
            ++m_nPos;
            if (m_nPos < m_text.size() && m_text[m_nPos] == '>') {
                ++m_nPos;
                tag.bSelfClosing = true;
                return true;
            }
            continue;
        }
        if (!ReadAttributeName(tag))
            return false;
    }
}

// An attribute from its name's first character (which may be '='), with
// its value if it has one; the later of two same-named ones is dropped.
bool CHtmlTokenizer::ReadAttributeName(SHtmlTag& tag)
{
    StartAttribute(tag);
    std::string& strName = tag.attributes[tag.nAttributes - 1].strName;
    const char chFirst = m_text[m_nPos++];
    if (chFirst == '\0')
        strName.append(REPLACEMENT);
    else
        strName.push_back(Lower(chFirst));
    while (m_nPos < m_text.size()) {
        const char ch = m_text[m_nPos];
        if (IsSpace(ch) || ch == '/' || ch == '>' || ch == '=')
            break;
        if (ch == '\0')
            strName.append(REPLACEMENT);
        else
            strName.push_back(Lower(ch));
        ++m_nPos;
    }
    const bool bDuplicate = IsDuplicate(tag);
    while (m_nPos < m_text.size() && IsSpace(m_text[m_nPos]))
        ++m_nPos;
    bool bRead = true;
    if (m_nPos < m_text.size() && m_text[m_nPos] == '=') {
        ++m_nPos;
        bRead = ReadAttributeValue(tag);
    }
    if (bDuplicate) {
        --tag.nAttributes;
        tag.bDroppedDuplicate = true;
    }
    return bRead;
}

void CHtmlTokenizer::StartAttribute(SHtmlTag& tag)
{
    if (tag.nAttributes == tag.attributes.size())
        tag.attributes.emplace_back();
    SHtmlTag::SAttribute& attribute = tag.attributes[tag.nAttributes++];
    attribute.strName.clear();
    attribute.strValue.clear();
}

// A tag of thousands of attributes must not cost their square.
bool CHtmlTokenizer::IsDuplicate(const SHtmlTag& tag)
{
    constexpr std::size_t FEW = 16;
    const std::size_t nNew = tag.nAttributes - 1;
    const std::string& strName = tag.attributes[nNew].strName;
    if (nNew < FEW) {
        for (std::size_t i = 0; i < nNew; ++i)
            if (tag.attributes[i].strName == strName)
                return true;
        return false;
    }
    if (nNew == FEW) {
        m_names.clear();
        for (std::size_t i = 0; i < FEW; ++i)
            m_names.insert(tag.attributes[i].strName);
    }
    return !m_names.insert(strName).second;
}

// CR LF and a lone CR are LF, as the input stream's preprocessing has it.
void CHtmlTokenizer::AppendNormalised(std::string& strOut, char ch)
{
    if (ch == '\0') {
        strOut.append(REPLACEMENT);
    } else if (ch == '\r') {
        strOut.push_back('\n');
        if (m_nPos + 1 < m_text.size() && m_text[m_nPos + 1] == '\n')
            ++m_nPos;
    } else {
        strOut.push_back(ch);
    }
}

// From just after '=': the before attribute value state, then the value
// quoted either way or unquoted; false when the text ends inside it.
bool CHtmlTokenizer::ReadAttributeValue(SHtmlTag& tag)
{
    while (m_nPos < m_text.size() && IsSpace(m_text[m_nPos]))
        ++m_nPos;
    if (m_nPos >= m_text.size())
        return false;
    std::string& strValue = tag.attributes[tag.nAttributes - 1].strValue;
    const char chQuote = m_text[m_nPos] == '"' || m_text[m_nPos] == '\'' ? m_text[m_nPos] : '\0';
    if (chQuote != '\0')
        ++m_nPos;
    std::size_t nRun = m_nPos;
    while (m_nPos < m_text.size()) {
        const char ch = m_text[m_nPos];
        const bool bEnd = chQuote != '\0' ? ch == chQuote : IsSpace(ch) || ch == '>';
        if (!bEnd && ch != '&' && ch != '\0' && ch != '\r') {
            ++m_nPos;
            continue;
        }
        strValue.append(m_text.substr(nRun, m_nPos - nRun));
        if (bEnd) {
            // The unquoted value's end is the next state's to read.
            m_nPos += chQuote != '\0' ? 1 : 0;
            return true;
        }
        if (ch == '&') {
            m_nPos = CCharacterReference::DecodeInAttribute(m_text, m_nPos, strValue);
        } else {
            AppendNormalised(strValue, ch);
            ++m_nPos;
        }
        nRun = m_nPos;
    }
    return false;
}
