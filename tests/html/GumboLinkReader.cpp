#include "html/GumboLinkReader.h"

#include "html/LineColumnCounter.h"

#include "html/LinkAttributeSyntax.h"

#include <gumbo.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// Which attributes of which elements hold URLs, in the order they are listed.
struct SUrlAttributes {
    GumboTag eTag;
    const char* apszNames[2];
};

constexpr SUrlAttributes URL_ATTRIBUTES[] = {
    {GUMBO_TAG_A, {"href", nullptr}},
    {GUMBO_TAG_AREA, {"href", nullptr}},
    {GUMBO_TAG_LINK, {"href", nullptr}},
    {GUMBO_TAG_FRAME, {"src", nullptr}},
    {GUMBO_TAG_IFRAME, {"src", nullptr}},
    {GUMBO_TAG_IMG, {"src", "srcset"}},
    {GUMBO_TAG_SOURCE, {"src", "srcset"}},
    {GUMBO_TAG_SCRIPT, {"src", nullptr}},
    {GUMBO_TAG_VIDEO, {"src", "poster"}},
    {GUMBO_TAG_AUDIO, {"src", nullptr}},
    {GUMBO_TAG_TRACK, {"src", nullptr}},
    {GUMBO_TAG_EMBED, {"src", nullptr}},
    {GUMBO_TAG_OBJECT, {"data", nullptr}},
    {GUMBO_TAG_INPUT, {"src", nullptr}},
    {GUMBO_TAG_META, {"content", nullptr}},
};

// Elements the tree builder made rather than read from the page.
constexpr unsigned MADE_UP = GUMBO_INSERTION_BY_PARSER | GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT
    | GUMBO_INSERTION_ADOPTION_AGENCY_CLONED;

bool EqualsNoCase(std::string_view text, std::string_view lower)
{
    return text.size() == lower.size()
        && std::equal(text.begin(), text.end(), lower.begin(), [](char ch, char chLower) {
               return (ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch) == chLower;
           });
}

const char* AttributeValue(const GumboElement& element, const char* pszName)
{
    const GumboAttribute* pAttribute = gumbo_get_attribute(&element.attributes, pszName);
    return pAttribute ? pAttribute->value : nullptr;
}

// rel is a set of space-separated keywords: a link that only warms up a
// connection names no resource.
bool NamesResource(const GumboElement& element)
{
    const char* pszRel = AttributeValue(element, "rel");
    std::string_view rel = pszRel ? pszRel : "";
    while (!rel.empty()) {
        std::size_t nEnd = 0;
        while (nEnd < rel.size() && !CLinkAttributeSyntax::IsAsciiWhitespace(rel[nEnd]))
            ++nEnd;
        const std::string_view keyword = rel.substr(0, nEnd);
        if (EqualsNoCase(keyword, "preconnect") || EqualsNoCase(keyword, "dns-prefetch"))
            return false;
        rel.remove_prefix(nEnd < rel.size() ? nEnd + 1 : nEnd);
    }
    return true;
}

// Elements whose URL attribute counts only with another attribute's value.
bool IsLinkElement(const GumboElement& element)
{
    const char* pszValue = nullptr;
    switch (element.tag) {
    case GUMBO_TAG_LINK: return NamesResource(element);
    case GUMBO_TAG_INPUT:
        pszValue = AttributeValue(element, "type");
        return pszValue && EqualsNoCase(pszValue, "image");
    case GUMBO_TAG_META:
        pszValue = AttributeValue(element, "http-equiv");
        return pszValue && EqualsNoCase(pszValue, "refresh");
    default: return true;
    }
}

// One value found in one part, before it gets its line and column.
struct SFound {
    std::size_t nOffset;
    std::string strValue;
};

struct SPartLinks {
    std::vector<SFound> found;
    bool bHasBase = false;
    SFound base;
};

void AddValue(SPartLinks& links, std::size_t nOffset, std::string_view value)
{
    std::string strClean = CLinkAttributeSyntax::CleanUrlValue(value);
    if (!strClean.empty())
        links.found.push_back({nOffset, std::move(strClean)});
}

void ReadUrlAttributes(const GumboElement& element, std::size_t nOffset, SPartLinks& links)
{
    for (const SUrlAttributes& entry : URL_ATTRIBUTES) {
        if (entry.eTag != element.tag)
            continue;
        if (!IsLinkElement(element))
            return;
        for (const char* pszName : entry.apszNames) {
            const char* pszValue = pszName ? AttributeValue(element, pszName) : nullptr;
            if (pszValue == nullptr)
                continue;
            if (element.tag == GUMBO_TAG_META) {
                AddValue(links, nOffset, CLinkAttributeSyntax::RefreshUrl(pszValue));
            } else if (std::string_view(pszName) == "srcset") {
                for (const std::string& strUrl : CLinkAttributeSyntax::SplitSrcset(pszValue))
                    AddValue(links, nOffset, strUrl);
            } else {
                AddValue(links, nOffset, pszValue);
            }
        }
        return;
    }
}

void ReadElement(const GumboNode& node, std::size_t nPartOffset, SPartLinks& links)
{
    const GumboElement& element = node.v.element;
    if (element.tag_namespace != GUMBO_NAMESPACE_HTML || (node.parse_flags & MADE_UP) != 0
        || element.original_tag.length == 0)
        return;
    const std::size_t nOffset = nPartOffset + element.start_pos.offset;
    if (element.tag == GUMBO_TAG_BASE) {
        const char* pszHref = AttributeValue(element, "href");
        if (pszHref && (!links.bHasBase || nOffset < links.base.nOffset)) {
            links.bHasBase = true;
            links.base = {nOffset, pszHref};
        }
        return;
    }
    ReadUrlAttributes(element, nOffset, links);
}

// The part's values sorted by the source order of their start tags (the
// tree's order differs where the parser moved an element), the listed order
// kept within one element.
SPartLinks ReadPart(std::string_view strPart, std::size_t nPartOffset)
{
    GumboOptions options = kGumboDefaultOptions;
    options.tab_stop = 1;
    // gumbo keeps a copy of the open elements with every parse error: memory
    // in the square of the nesting. The errors are of no use here.
    options.max_errors = 0;
    std::unique_ptr<GumboOutput, std::function<void(GumboOutput*)>> pOutput(
        gumbo_parse_with_options(&options, strPart.data(), strPart.size()),
        [&options](GumboOutput* pParsed) { gumbo_destroy_output(&options, pParsed); });
    SPartLinks links;
    if (!pOutput)
        return links;
    // A list rather than recursion: any nesting depth is read.
    std::vector<const GumboNode*> pending {pOutput->document};
    while (!pending.empty()) {
        const GumboNode* pNode = pending.back();
        pending.pop_back();
        const GumboVector* pChildren = nullptr;
        if (pNode->type == GUMBO_NODE_DOCUMENT) {
            pChildren = &pNode->v.document.children;
        } else if (pNode->type == GUMBO_NODE_ELEMENT) {
            ReadElement(*pNode, nPartOffset, links);
            pChildren = &pNode->v.element.children;
        } // a template's children are its contents, which no browser loads
        for (unsigned i = 0; pChildren && i < pChildren->length; ++i)
            pending.push_back(static_cast<const GumboNode*>(pChildren->data[i]));
    }
    std::stable_sort(links.found.begin(), links.found.end(),
        [](const SFound& left, const SFound& right) { return left.nOffset < right.nOffset; });
    return links;
}

} // namespace

void CGumboLinkReader::Read(std::string_view strUtf8)
{
    m_strValues.clear();
    m_entries.clear();
    m_bHasBase = false;
    m_strBase.clear();
    const std::vector<std::size_t> parts = CMarkupSlicer::Cut(strUtf8, m_limits);
    CLineColumnCounter counter(strUtf8);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t nEnd = i + 1 < parts.size() ? parts[i + 1] : strUtf8.size();
        SPartLinks links = ReadPart(strUtf8.substr(parts[i], nEnd - parts[i]), parts[i]);
        if (links.bHasBase && !m_bHasBase) {
            m_bHasBase = true;
            m_strBase = std::move(links.base.strValue);
        }
        for (const SFound& found : links.found) {
            counter.AdvanceTo(found.nOffset);
            Append(found.strValue, counter.GetLine(), counter.GetColumn());
        }
    }
}

void CGumboLinkReader::Append(std::string_view strValue, int nLine, int nColumn)
{
    m_entries.push_back(
        {static_cast<std::uint32_t>(m_strValues.size()), static_cast<std::uint32_t>(strValue.size()), nLine, nColumn});
    m_strValues.append(strValue);
}

SHtmlReference CGumboLinkReader::GetReference(std::size_t nIndex) const
{
    const SEntry& entry = m_entries.at(nIndex);
    return {std::string_view(m_strValues).substr(entry.nValueOffset, entry.nValueLength), entry.nLine, entry.nColumn};
}
