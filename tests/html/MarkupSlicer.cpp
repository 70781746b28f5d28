#include "html/MarkupSlicer.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace {

bool IsSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\f' || ch == '\r';
}

bool IsLetter(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

bool IsOneOf(const std::string& strName, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* pszName) { return strName == pszName; });
}

// Elements that never hold others, or that the next of their kind closes:
// they add no nesting, whatever the page writes.
bool IsFlat(const std::string& strName)
{
    return IsOneOf(strName,
        {"area", "base", "br", "col", "embed", "hr", "img", "image", "input", "keygen", "link", "meta", "param",
            "source", "track", "wbr", "frame", "p", "li", "dt", "dd", "option", "optgroup", "rb", "rt", "rp", "rtc",
            "tr", "td", "th", "thead", "tbody", "tfoot", "colgroup", "html", "head", "body"});
}

bool IsFormatting(const std::string& strName)
{
    return IsOneOf(
        strName, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike", "strong", "tt", "u"});
}

// Start tags that end SVG or MathML content and return to HTML.
bool IsBreakout(const std::string& strName)
{
    return IsOneOf(strName,
        {"b", "big", "blockquote", "body", "br", "center", "code", "dd", "div", "dl", "dt", "em", "embed", "h1", "h2",
            "h3", "h4", "h5", "h6", "head", "hr", "i", "img", "li", "listing", "menu", "meta", "nobr", "ol", "p", "pre",
            "ruby", "s", "small", "span", "strong", "strike", "sub", "sup", "table", "tt", "u", "ul", "var"});
}

// Foreign elements whose content is HTML again.
bool IsIntegrationPoint(const std::string& strName)
{
    return IsOneOf(strName, {"foreignobject", "desc", "title", "mi", "mo", "mn", "ms", "mtext", "annotation-xml"});
}

// A rough copy of the tree builder's stack of open elements: enough to
// know the nesting, and whether a template or foreign content is open.
class CScan {
public:
    CScan(std::string_view text, const CMarkupSlicer::SLimits& limits)
        : m_text(text)
        , m_limits(limits)
    {
    }
    std::vector<std::size_t> Run();

private:
    struct SOpen {
        std::string strName;
        bool bForeign;
    };

    bool StartsWith(std::size_t nPos, std::string_view prefix) const;
    std::string ReadName(std::size_t& nPos) const;
    bool SkipAttributes(std::size_t& nPos, bool& bSelfClosing) const;
    void SkipPast(std::size_t& nPos, std::string_view marker) const;
    void SkipRawText(std::size_t& nPos, const std::string& strName) const;
    void MaybeCut(std::size_t nPos);
    void OpenElement(const std::string& strName, bool bSelfClosing);
    void CloseElement(const std::string& strName);
    void Pop();

    std::string_view m_text;
    const CMarkupSlicer::SLimits& m_limits;
    std::vector<std::size_t> m_parts;
    std::vector<SOpen> m_open;
    std::unordered_map<std::string, std::size_t> m_openByName;
    std::size_t m_nForeign = 0;
    std::size_t m_nFormatting = 0;
    bool m_bAnchorFormatting = false;
    std::size_t m_nStartTags = 0;
    std::size_t m_nNestingWork = 0;
    std::size_t m_nFormattingWork = 0;
};

bool CScan::StartsWith(std::size_t nPos, std::string_view prefix) const
{
    if (m_text.size() - nPos < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if ((m_text[nPos + i] | 0x20) != (prefix[i] | 0x20))
            return false;
    return true;
}

std::string CScan::ReadName(std::size_t& nPos) const
{
    std::string strName;
    while (nPos < m_text.size() && !IsSpace(m_text[nPos]) && m_text[nPos] != '/' && m_text[nPos] != '>') {
        const char ch = m_text[nPos++];
        strName.push_back(ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch);
    }
    return strName;
}

// Moves past the tag's '>'; false when the page ends inside the tag, which
// the tokenizer then drops.
bool CScan::SkipAttributes(std::size_t& nPos, bool& bSelfClosing) const
{
    bSelfClosing = false;
    while (nPos < m_text.size()) {
        const char ch = m_text[nPos];
        if (ch == '>') {
            ++nPos;
            return true;
        }
        bSelfClosing = ch == '/';
        if (ch != '=') {
            ++nPos;
            continue;
        }
        ++nPos;
        while (nPos < m_text.size() && IsSpace(m_text[nPos]))
            ++nPos;
        if (nPos < m_text.size() && (m_text[nPos] == '"' || m_text[nPos] == '\'')) {
            const std::size_t nClose = m_text.find(m_text[nPos], nPos + 1);
            if (nClose == std::string_view::npos)
                return false;
            nPos = nClose + 1;
        }
    }
    return false;
}

void CScan::SkipPast(std::size_t& nPos, std::string_view marker) const
{
    const std::size_t nFound = m_text.find(marker, nPos);
    nPos = nFound == std::string_view::npos ? m_text.size() : nFound + marker.size();
}

void CScan::SkipRawText(std::size_t& nPos, const std::string& strName) const
{
    const std::string strEnd = "</" + strName;
    while (nPos < m_text.size()) {
        nPos = std::min(m_text.find('<', nPos), m_text.size());
        if (StartsWith(nPos, strEnd))
            return;
        nPos += nPos < m_text.size() ? 1 : 0;
    }
}

void CScan::MaybeCut(std::size_t nPos)
{
    const bool bFull = m_nStartTags >= m_limits.nMaxStartTags || m_open.size() >= m_limits.nMaxNesting
        || m_nNestingWork >= m_limits.nMaxNestingWork || m_nFormattingWork >= m_limits.nMaxFormattingWork;
    if (!bFull || m_nStartTags == 0 || m_nForeign > 0 || m_openByName["template"] > 0)
        return;
    m_parts.push_back(nPos);
    // The next part is parsed as a document of its own.
    m_open.clear();
    m_openByName.clear();
    m_nFormatting = m_nStartTags = m_nNestingWork = m_nFormattingWork = 0;
    m_bAnchorFormatting = false;
}

void CScan::OpenElement(const std::string& strName, bool bSelfClosing)
{
    ++m_nStartTags;
    m_nNestingWork += m_open.size();
    m_nFormattingWork += m_nFormatting;
    const bool bInForeign = m_nForeign > 0 && m_open.back().bForeign && !IsIntegrationPoint(m_open.back().strName);
    if (bInForeign && IsBreakout(strName)) {
        while (!m_open.empty() && m_open.back().bForeign)
            Pop();
    }
    if (IsFormatting(strName) && !(strName == "a" && m_bAnchorFormatting)) {
        ++m_nFormatting;
        m_bAnchorFormatting = m_bAnchorFormatting || strName == "a";
    }
    const bool bParentForeign = !m_open.empty() && m_open.back().bForeign && !IsIntegrationPoint(m_open.back().strName);
    const bool bForeign = bParentForeign || strName == "svg" || strName == "math";
    if ((bForeign && bSelfClosing) || (!bForeign && IsFlat(strName)))
        return;
    m_open.push_back({strName, bForeign});
    ++m_openByName[strName];
    m_nForeign += m_open.back().bForeign ? 1 : 0;
}

void CScan::Pop()
{
    --m_openByName[m_open.back().strName];
    m_nForeign -= m_open.back().bForeign ? 1 : 0;
    m_open.pop_back();
}

void CScan::CloseElement(const std::string& strName)
{
    if (IsFormatting(strName) && m_nFormatting > 0 && (strName != "a" || m_bAnchorFormatting)) {
        --m_nFormatting;
        m_bAnchorFormatting = m_bAnchorFormatting && strName != "a";
    }
    auto it = m_openByName.find(strName);
    if (it == m_openByName.end() || it->second == 0)
        return; // an end tag without its element is ignored
    while (m_open.back().strName != strName)
        Pop();
    Pop();
}

std::vector<std::size_t> CScan::Run()
{
    m_parts.push_back(0);
    std::size_t nPos = 0;
    while ((nPos = m_text.find('<', nPos)) != std::string_view::npos) {
        const std::size_t nTag = nPos;
        const bool bEnd = StartsWith(nPos, "</");
        if (StartsWith(nPos, "<!--")) {
            nPos += 2; // "<!-->" is a whole comment
            SkipPast(nPos, "-->");
        } else if (m_nForeign > 0 && StartsWith(nPos, "<![CDATA[")) {
            SkipPast(nPos, "]]>");
        } else if (StartsWith(nPos, "<!") || StartsWith(nPos, "<?")
            || (bEnd && nPos + 2 < m_text.size() && !IsLetter(m_text[nPos + 2]))) {
            SkipPast(nPos, ">");
        } else if (nPos + 1 < m_text.size() && (IsLetter(m_text[nPos + 1]) || (bEnd && nPos + 2 < m_text.size()))) {
            nPos += bEnd ? 2 : 1;
            const std::string strName = ReadName(nPos);
            if (!bEnd)
                MaybeCut(nTag);
            bool bSelfClosing = false;
            if (!SkipAttributes(nPos, bSelfClosing))
                break;
            if (bEnd) {
                CloseElement(strName);
                continue;
            }
            OpenElement(strName, bSelfClosing);
            if (!m_open.empty() && m_open.back().bForeign && !IsIntegrationPoint(m_open.back().strName))
                continue;
            if (strName == "plaintext")
                break; // the rest of the page is text
            if (IsOneOf(strName, {"script", "style", "xmp", "iframe", "noembed", "noframes", "textarea", "title"}))
                SkipRawText(nPos, strName);
        } else {
            ++nPos;
        }
    }
    return m_parts;
}

} // namespace

std::vector<std::size_t> CMarkupSlicer::Cut(std::string_view strUtf8, const SLimits& limits)
{
    return CScan(strUtf8, limits).Run();
}
