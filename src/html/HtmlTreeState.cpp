#include "html/HtmlTreeState.h"

#include <string_view>

namespace {

using EText = CHtmlTokenizer::EText;
using ENamespace = CHtmlTreeState::ENamespace;

// What the tree builder does with an HTML element of a name, as flags.
enum : unsigned {
    VOID = 1u << 0, // never holds anything
    RCDATA = 1u << 1,
    RAWTEXT = 1u << 2,
    SCRIPT = 1u << 3,
    PLAINTEXT = 1u << 4,
    BREAKOUT = 1u << 5, // ends SVG or MathML content
    BOUNDARY = 1u << 6, // an end tag does not close what is outside it
    NOT_FRAMESET = 1u << 7, // the page can no longer become a frameset
    HEAD = 1u << 8, // goes into the head while the body has not begun
    TABLE_PART = 1u << 9, // dropped outside a table
};

unsigned HtmlKind(const std::string& strName)
{
    static const std::unordered_map<std::string_view, unsigned> KINDS = {{"area", VOID | NOT_FRAMESET},
        {"base", VOID | HEAD}, {"basefont", VOID | HEAD}, {"bgsound", VOID | HEAD},
        {"br", VOID | BREAKOUT | NOT_FRAMESET}, {"col", VOID | TABLE_PART}, {"embed", VOID | BREAKOUT | NOT_FRAMESET},
        {"frame", VOID}, {"hr", VOID | BREAKOUT | NOT_FRAMESET}, {"img", VOID | BREAKOUT | NOT_FRAMESET},
        {"image", VOID | NOT_FRAMESET}, {"input", VOID}, {"keygen", VOID | NOT_FRAMESET}, {"link", VOID | HEAD},
        {"meta", VOID | BREAKOUT | HEAD}, {"param", VOID}, {"source", VOID}, {"track", VOID},
        {"wbr", VOID | NOT_FRAMESET}, {"title", RCDATA | HEAD}, {"textarea", RCDATA | NOT_FRAMESET},
        {"style", RAWTEXT | HEAD}, {"xmp", RAWTEXT | NOT_FRAMESET}, {"iframe", RAWTEXT | NOT_FRAMESET},
        {"noembed", RAWTEXT}, {"noframes", RAWTEXT | HEAD}, {"script", SCRIPT | HEAD}, {"plaintext", PLAINTEXT},
        {"b", BREAKOUT}, {"big", BREAKOUT}, {"blockquote", BREAKOUT}, {"body", BREAKOUT | NOT_FRAMESET},
        {"center", BREAKOUT}, {"code", BREAKOUT}, {"dd", BREAKOUT | NOT_FRAMESET}, {"div", BREAKOUT}, {"dl", BREAKOUT},
        {"dt", BREAKOUT | NOT_FRAMESET}, {"em", BREAKOUT}, {"h1", BREAKOUT}, {"h2", BREAKOUT}, {"h3", BREAKOUT},
        {"h4", BREAKOUT}, {"h5", BREAKOUT}, {"h6", BREAKOUT}, {"head", BREAKOUT | HEAD}, {"i", BREAKOUT},
        {"li", BREAKOUT | NOT_FRAMESET}, {"listing", BREAKOUT | NOT_FRAMESET}, {"menu", BREAKOUT}, {"nobr", BREAKOUT},
        {"ol", BREAKOUT}, {"p", BREAKOUT}, {"pre", BREAKOUT | NOT_FRAMESET}, {"ruby", BREAKOUT}, {"s", BREAKOUT},
        {"small", BREAKOUT}, {"span", BREAKOUT}, {"strong", BREAKOUT}, {"strike", BREAKOUT}, {"sub", BREAKOUT},
        {"sup", BREAKOUT}, {"table", BREAKOUT | BOUNDARY | NOT_FRAMESET}, {"tt", BREAKOUT}, {"u", BREAKOUT},
        {"ul", BREAKOUT}, {"var", BREAKOUT}, {"applet", BOUNDARY | NOT_FRAMESET}, {"caption", BOUNDARY | TABLE_PART},
        {"html", BOUNDARY | HEAD}, {"td", BOUNDARY | TABLE_PART}, {"th", BOUNDARY | TABLE_PART}, {"tr", TABLE_PART},
        {"tbody", TABLE_PART}, {"thead", TABLE_PART}, {"tfoot", TABLE_PART}, {"colgroup", TABLE_PART},
        {"marquee", BOUNDARY | NOT_FRAMESET}, {"object", BOUNDARY | NOT_FRAMESET}, {"template", BOUNDARY | HEAD},
        {"noscript", HEAD}, {"button", NOT_FRAMESET}, {"select", NOT_FRAMESET}};
    const auto it = KINDS.find(strName);
    return it == KINDS.end() ? 0u : it->second;
}

bool IsAnyOf(const std::string& strName, std::initializer_list<std::string_view> names)
{
    for (std::string_view name : names)
        if (strName == name)
            return true;
    return false;
}

bool EqualsNoCase(const std::string& strText, std::string_view lower)
{
    if (strText.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < lower.size(); ++i)
        if ((strText[i] >= 'A' && strText[i] <= 'Z' ? strText[i] | 0x20 : strText[i]) != lower[i])
            return false;
    return true;
}

// A font start tag ends foreign content only when it styles text.
bool IsBreakout(const SHtmlTag& tag)
{
    if (tag.strName == "font")
        return tag.Find("color") || tag.Find("face") || tag.Find("size");
    return (HtmlKind(tag.strName) & BREAKOUT) != 0;
}

EText TextAfter(unsigned nKind)
{
    if (nKind & RCDATA)
        return EText::RCDATA;
    if (nKind & RAWTEXT)
        return EText::RAWTEXT;
    if (nKind & SCRIPT)
        return EText::SCRIPT_DATA;
    return (nKind & PLAINTEXT) ? EText::PLAINTEXT : EText::DATA;
}

} // namespace

// Deeper elements are not kept: a page of endless unclosed tags must not
// cost memory without bound.
constexpr std::size_t MAX_OPEN = 1u << 18;

void CHtmlTreeState::Push(const std::string& strName, ENamespace eNamespace, const SHtmlTag& tag)
{
    if (m_open.size() >= MAX_OPEN)
        return;
    const auto nIndex = static_cast<std::int32_t>(m_open.size());
    auto it = m_openByName.try_emplace(strName).first;
    SOpen open {&it->first, &it->second, eNamespace, false, false, m_open.empty() ? -1 : m_open.back().nBoundary,
        m_open.empty() ? -1 : m_open.back().nHtml};
    if (eNamespace == ENamespace::HTML) {
        open.nHtml = nIndex;
        open.nBoundary = (HtmlKind(strName) & BOUNDARY) ? nIndex : open.nBoundary;
        m_nTemplates += strName == "template" ? 1 : 0;
        m_nFramesets += strName == "frameset" ? 1 : 0;
    } else if (eNamespace == ENamespace::SVG) {
        open.bHtmlIntegration = IsAnyOf(strName, {"foreignobject", "desc", "title"});
    } else {
        open.bTextIntegration = IsAnyOf(strName, {"mi", "mo", "mn", "ms", "mtext"});
        const std::string* pEncoding = strName == "annotation-xml" ? tag.Find("encoding") : nullptr;
        open.bHtmlIntegration
            = pEncoding && (EqualsNoCase(*pEncoding, "text/html") || EqualsNoCase(*pEncoding, "application/xhtml+xml"));
    }
    if (open.bHtmlIntegration || open.bTextIntegration || strName == "annotation-xml")
        open.nBoundary = nIndex;
    (*open.pIndices)[static_cast<std::size_t>(eNamespace)].push_back(static_cast<std::uint32_t>(nIndex));
    m_open.push_back(open);
}

void CHtmlTreeState::PopThrough(std::size_t nIndex)
{
    while (m_open.size() > nIndex) {
        const SOpen& open = m_open.back();
        if (open.eNamespace == ENamespace::HTML) {
            m_nTemplates -= *open.pName == "template" ? 1 : 0;
            m_nFramesets -= *open.pName == "frameset" ? 1 : 0;
        }
        OpenIndices& indices = *open.pIndices;
        indices[static_cast<std::size_t>(open.eNamespace)].pop_back();
        if (indices[0].empty() && indices[1].empty() && indices[2].empty())
            m_openByName.erase(m_openByName.find(*open.pName));
        m_open.pop_back();
    }
}

std::int32_t CHtmlTreeState::LastOpen(const std::string& strName, ENamespace eNamespace) const
{
    const auto it = m_openByName.find(strName);
    if (it == m_openByName.end() || it->second[static_cast<std::size_t>(eNamespace)].empty())
        return -1;
    return static_cast<std::int32_t>(it->second[static_cast<std::size_t>(eNamespace)].back());
}

// Where the current node lets a start tag be read by the HTML rules.
bool CHtmlTreeState::TakesHtmlRules(const SOpen& top, const SHtmlTag& tag) const
{
    if (top.bTextIntegration)
        return tag.strName != "mglyph" && tag.strName != "malignmark";
    if (top.eNamespace == ENamespace::MATHML && *top.pName == "annotation-xml" && tag.strName == "svg")
        return true;
    return top.bHtmlIntegration;
}

CHtmlTreeState::SElement CHtmlTreeState::OnStartTag(const SHtmlTag& tag, bool bSeenText)
{
    if (m_bFrameset)
        return StartInFrameset(tag.strName);
    if (IsForeignContent() && !TakesHtmlRules(m_open.back(), tag)) {
        bool bReprocess = false;
        const SElement element = StartForeign(tag, bReprocess);
        if (!bReprocess)
            return element;
    }
    return StartHtml(tag, bSeenText);
}

CHtmlTreeState::SElement CHtmlTreeState::StartForeign(const SHtmlTag& tag, bool& bReprocess)
{
    if (IsBreakout(tag)) {
        while (IsForeignContent() && !m_open.back().bHtmlIntegration && !m_open.back().bTextIntegration)
            PopThrough(m_open.size() - 1);
        bReprocess = true;
        return {};
    }
    // A foreign element takes the namespace of the element it is in.
    SElement element {m_open.back().eNamespace, m_nTemplates == 0, EText::DATA};
    if (!tag.bSelfClosing)
        Push(tag.strName, element.eNamespace, tag);
    return element;
}

CHtmlTreeState::SElement CHtmlTreeState::StartHtml(const SHtmlTag& tag, bool bSeenText)
{
    const bool bInDocument = m_nTemplates == 0;
    const unsigned nKind = HtmlKind(tag.strName);
    SElement element {ENamespace::HTML, bInDocument, TextAfter(nKind)};
    if (tag.strName == "frameset" && m_bFramesetOk && !bSeenText && bInDocument) {
        // The frameset takes the place of the body and all it held.
        element.bReplacesBody = m_bBodyStarted;
        m_bFrameset = true;
        PopThrough(0);
        Push(tag.strName, ENamespace::HTML, tag);
        return element;
    }
    // Even a start tag the body drops begins the body.
    element.bStartsBody = !m_bBodyStarted && !(nKind & HEAD) && bInDocument;
    m_bBodyStarted = m_bBodyStarted || element.bStartsBody;
    const bool bDropped = ((nKind & TABLE_PART) && LastOpen("table", ENamespace::HTML) < 0)
        || (tag.strName == "head" && m_bBodyStarted);
    if (tag.strName == "frame" || tag.strName == "frameset" || bDropped) {
        element.bInDocument = false;
        return element;
    }
    const std::string* pType = tag.strName == "input" ? tag.Find("type") : nullptr;
    if ((nKind & NOT_FRAMESET) || (tag.strName == "input" && !(pType && EqualsNoCase(*pType, "hidden"))))
        m_bFramesetOk = false;
    if (tag.strName == "svg" || tag.strName == "math") {
        element.eNamespace = tag.strName == "svg" ? ENamespace::SVG : ENamespace::MATHML;
        if (!tag.bSelfClosing)
            Push(tag.strName, element.eNamespace, tag);
    } else if (!(nKind & VOID)) {
        Push(tag.strName, ENamespace::HTML, tag);
    }
    return element;
}

// A frameset page holds only framesets, frames and noframes.
CHtmlTreeState::SElement CHtmlTreeState::StartInFrameset(const std::string& strName)
{
    if (strName == "frameset" && m_nFramesets > 0) {
        Push(strName, ENamespace::HTML, {});
        return {};
    }
    if (strName == "frame")
        return {ENamespace::HTML, m_nFramesets > 0, EText::DATA};
    if (strName == "noframes")
        return {ENamespace::HTML, false, EText::RAWTEXT};
    return {ENamespace::HTML, false, EText::DATA};
}

void CHtmlTreeState::OnEndTag(const SHtmlTag& tag)
{
    if (IsForeignContent()) {
        // The nearest foreign element of that name closes, unless an HTML
        // element is open above it.
        const std::int32_t nForeign
            = std::max(LastOpen(tag.strName, ENamespace::SVG), LastOpen(tag.strName, ENamespace::MATHML));
        if (nForeign >= 0 && nForeign > m_open.back().nHtml) {
            PopThrough(static_cast<std::size_t>(nForeign));
            return;
        }
    }
    EndHtml(tag.strName);
}

void CHtmlTreeState::EndHtml(const std::string& strName)
{
    const std::int32_t nIndex = LastOpen(strName, ENamespace::HTML);
    // </body> and </html> change how what follows is read, and close nothing.
    if (nIndex < 0 || strName == "body" || strName == "html")
        return; // an end tag without its element changes nothing
    // A template closes whatever is open inside it; other elements only
    // within the scope they are in.
    if (strName == "template" || m_open.back().nBoundary <= nIndex)
        PopThrough(static_cast<std::size_t>(nIndex));
}
