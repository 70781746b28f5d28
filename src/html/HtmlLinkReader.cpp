#include "html/HtmlLinkReader.h"

#include "html/HtmlTag.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlTreeState.h"
#include "html/LineColumnCounter.h"
#include "html/LinkAttributeSyntax.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace {

// Which attributes of which elements hold URLs, in the order they are listed.
struct SUrlAttributes {
    std::string_view strElement;
    std::array<std::string_view, 2> names;
};

constexpr SUrlAttributes URL_ATTRIBUTES[] = {
    {"a", {"href", ""}},
    {"area", {"href", ""}},
    {"link", {"href", ""}},
    {"frame", {"src", ""}},
    {"iframe", {"src", ""}},
    {"img", {"src", "srcset"}},
    {"image", {"src", "srcset"}}, // the tree builder makes it an img
    {"source", {"src", "srcset"}},
    {"script", {"src", ""}},
    {"video", {"src", "poster"}},
    {"audio", {"src", ""}},
    {"track", {"src", ""}},
    {"embed", {"src", ""}},
    {"object", {"data", ""}},
    {"input", {"src", ""}},
    {"meta", {"content", ""}},
};

bool EqualsNoCase(std::string_view text, std::string_view lower)
{
    return text.size() == lower.size()
        && std::equal(text.begin(), text.end(), lower.begin(), [](char ch, char chLower) {
               return (ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch) == chLower;
           });
}

// rel is a set of space-separated keywords: a link that only warms up a
// connection names no resource.
bool NamesResource(const SHtmlTag& tag)
{
    const std::string* pRel = tag.Find("rel");
    std::string_view rel = pRel ? std::string_view(*pRel) : std::string_view();
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
bool IsLinkElement(const SHtmlTag& tag)
{
    const std::string* pValue = nullptr;
    if (tag.strName == "link")
        return NamesResource(tag);
    if (tag.strName == "input") {
        pValue = tag.Find("type");
        return pValue && EqualsNoCase(*pValue, "image");
    }
    if (tag.strName == "meta") {
        pValue = tag.Find("http-equiv");
        return pValue && EqualsNoCase(*pValue, "refresh");
    }
    return true;
}

const SUrlAttributes* UrlAttributesOf(const std::string& strName)
{
    static const std::unordered_map<std::string_view, const SUrlAttributes*> BY_NAME = [] {
        std::unordered_map<std::string_view, const SUrlAttributes*> byName;
        for (const SUrlAttributes& entry : URL_ATTRIBUTES)
            byName.emplace(entry.strElement, &entry);
        return byName;
    }();
    const auto it = BY_NAME.find(strName);
    return it == BY_NAME.end() ? nullptr : it->second;
}

} // namespace

void CHtmlLinkReader::Read(std::string_view strUtf8)
{
    m_strValues.clear();
    m_entries.clear();
    m_bHasBase = false;
    m_strBase.clear();
    m_targets = {};
    m_bodyStart = {};
    CHtmlTokenizer tokenizer(strUtf8);
    CHtmlTreeState tree;
    CLineColumnCounter counter(strUtf8);
    SHtmlTag tag;
    while (tokenizer.NextTag(tag)) {
        if (tag.bEndTag) {
            tree.OnEndTag(tag);
            tokenizer.SetForeignContent(tree.IsForeignContent());
            continue;
        }
        const CHtmlTreeState::SElement element = tree.OnStartTag(tag, tokenizer.HasSeenText());
        tokenizer.SetForeignContent(tree.IsForeignContent());
        if (element.eText != CHtmlTokenizer::EText::DATA)
            tokenizer.SetText(element.eText, tag.strName);
        if (element.bStartsBody)
            MarkBodyStart();
        if (element.bReplacesBody)
            RemoveBody();
        if (!element.bInDocument)
            continue;
        const bool bHtml = element.eNamespace == CHtmlTreeState::ENamespace::HTML;
        NoteFragmentTargets(tag, bHtml);
        if (!bHtml)
            continue;
        const std::size_t nFirst = m_entries.size();
        ReadHtmlElement(tag);
        if (m_entries.size() == nFirst)
            continue;
        counter.AdvanceTo(tag.nOffset);
        for (std::size_t i = nFirst; i < m_entries.size(); ++i) {
            m_entries[i].nLine = counter.GetLine();
            m_entries[i].nColumn = counter.GetColumn();
        }
    }
}

void CHtmlLinkReader::MarkBodyStart()
{
    m_bodyStart
        = {m_strValues.size(), m_entries.size(), m_targets.ids.size(), m_targets.anchorNames.size(), m_bHasBase};
}

void CHtmlLinkReader::RemoveBody()
{
    m_strValues.resize(m_bodyStart.nValues);
    m_entries.resize(m_bodyStart.nEntries);
    m_targets.ids.resize(m_bodyStart.nIds);
    m_targets.anchorNames.resize(m_bodyStart.nAnchorNames);
    if (!m_bodyStart.bHasBase) {
        m_bHasBase = false;
        m_strBase.clear();
    }
}

void CHtmlLinkReader::NoteFragmentTargets(const SHtmlTag& tag, bool bHtml)
{
    if (const std::string* pId = tag.Find("id"))
        m_targets.ids.push_back(*pId);
    if (bHtml && tag.strName == "a")
        if (const std::string* pName = tag.Find("name"))
            m_targets.anchorNames.push_back(*pName);
}

void CHtmlLinkReader::ReadHtmlElement(const SHtmlTag& tag)
{
    if (tag.strName == "base") {
        const std::string* pHref = tag.Find("href");
        if (pHref && !m_bHasBase) {
            m_bHasBase = true;
            m_strBase = *pHref;
        }
        return;
    }
    const SUrlAttributes* pEntry = UrlAttributesOf(tag.strName);
    if (pEntry == nullptr || !IsLinkElement(tag))
        return;
    for (std::string_view name : pEntry->names) {
        const std::string* pValue = name.empty() ? nullptr : tag.Find(name);
        if (pValue == nullptr)
            continue;
        if (tag.strName == "meta") {
            AddValue(CLinkAttributeSyntax::RefreshUrl(*pValue));
        } else if (name == "srcset") {
            for (const std::string& strUrl : CLinkAttributeSyntax::SplitSrcset(*pValue))
                AddValue(strUrl);
        } else {
            AddValue(*pValue);
        }
    }
}

// The value cleaned as CLinkAttributeSyntax::CleanUrlValue cleans it,
// written straight into the values' storage.
void CHtmlLinkReader::AddValue(std::string_view strValue)
{
    while (!strValue.empty() && CLinkAttributeSyntax::IsAsciiWhitespace(strValue.front()))
        strValue.remove_prefix(1);
    while (!strValue.empty() && CLinkAttributeSyntax::IsAsciiWhitespace(strValue.back()))
        strValue.remove_suffix(1);
    const std::size_t nStart = m_strValues.size();
    for (char ch : strValue)
        if (ch != '\t' && ch != '\n' && ch != '\r')
            m_strValues.push_back(ch);
    if (m_strValues.size() == nStart || (m_strValues[nStart] == '#' && !m_bFragmentOnly)) {
        m_strValues.resize(nStart);
        return;
    }
    m_entries.push_back(
        {static_cast<std::uint32_t>(nStart), static_cast<std::uint32_t>(m_strValues.size() - nStart), 0, 0});
}

SHtmlReference CHtmlLinkReader::GetReference(std::size_t nIndex) const
{
    const SEntry& entry = m_entries.at(nIndex);
    return {std::string_view(m_strValues).substr(entry.nValueOffset, entry.nValueLength), entry.nLine, entry.nColumn};
}
