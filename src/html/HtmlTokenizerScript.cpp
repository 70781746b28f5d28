// The script data states of CHtmlTokenizer: "<!--" escapes the script, and
// "<script" inside an escape escapes it twice, where its end tag no longer
// ends it.
#include "html/HtmlTokenizer.h"

namespace {

enum class EScript { DATA, ESCAPED, ESCAPED_DASH, ESCAPED_DASH_DASH, DOUBLE, DOUBLE_DASH, DOUBLE_DASH_DASH };

bool IsAlpha(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

bool EndsName(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\f' || ch == '\r' || ch == '/' || ch == '>';
}

// The letters from nPos and whether they spell "script" with a character
// after them that ends a name (consumed, as the escape states consume it).
bool ReadsScript(std::string_view text, std::size_t& nPos)
{
    const std::size_t nStart = nPos;
    while (nPos < text.size() && IsAlpha(text[nPos]))
        ++nPos;
    if (nPos >= text.size() || !EndsName(text[nPos]))
        return false;
    const std::string_view name = text.substr(nStart, nPos - nStart);
    ++nPos;
    if (name.size() != 6)
        return false;
    for (std::size_t i = 0; i < 6; ++i)
        if ((name[i] | 0x20) != "script"[i])
            return false;
    return true;
}

// The state after one character (not '<') in an escaped state.
EScript AfterCharacter(EScript eState, char ch)
{
    const bool bDouble = eState >= EScript::DOUBLE;
    const EScript eBase = bDouble ? EScript::DOUBLE : EScript::ESCAPED;
    if (ch == '-') {
        if (eState == EScript::ESCAPED || eState == EScript::DOUBLE)
            return bDouble ? EScript::DOUBLE_DASH : EScript::ESCAPED_DASH;
        return bDouble ? EScript::DOUBLE_DASH_DASH : EScript::ESCAPED_DASH_DASH;
    }
    if (ch == '>' && (eState == EScript::ESCAPED_DASH_DASH || eState == EScript::DOUBLE_DASH_DASH))
        return EScript::DATA;
    return eBase;
}

} // namespace

bool CHtmlTokenizer::ReadScriptData(SHtmlTag& tag)
{
    EScript eState = EScript::DATA;
    while (m_nPos < m_text.size()) {
        if (eState == EScript::DATA) {
            const std::size_t nLess = m_text.find('<', m_nPos);
            if (nLess == std::string_view::npos)
                break;
            m_nPos = nLess + 1;
            if (IsAppropriateEndTag(nLess)) {
                return ReadTextEndTag(tag, nLess);
            }
            if (m_text.substr(m_nPos, 3) == "!--") {
                m_nPos += 3;
                eState = EScript::ESCAPED_DASH_DASH;
            }
            continue;
        }
        const char ch = m_text[m_nPos];
        if (ch != '<') {
            ++m_nPos;
            eState = AfterCharacter(eState, ch);
            continue;
        }
        const std::size_t nLess = m_nPos++;
        if (eState < EScript::DOUBLE) {
            eState = EScript::ESCAPED;
            if (IsAppropriateEndTag(nLess)) {
                return ReadTextEndTag(tag, nLess);
            }
            if (m_nPos < m_text.size() && IsAlpha(m_text[m_nPos]) && ReadsScript(m_text, m_nPos))
                eState = EScript::DOUBLE;
        } else {
            eState = EScript::DOUBLE;
            if (m_nPos < m_text.size() && m_text[m_nPos] == '/' && (++m_nPos, ReadsScript(m_text, m_nPos)))
                eState = EScript::ESCAPED;
        }
    }
    m_nPos = m_text.size();
    return false;
}
