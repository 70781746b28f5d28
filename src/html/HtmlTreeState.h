#pragma once

#include "html/HtmlTag.h"
#include "html/HtmlTokenizer.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

/// The little of tree construction that decides what a start tag makes:
/// a stack of open elements that knows SVG and MathML from HTML and where
/// each ends, template nesting, and whether the page became a frameset.
/// Start tags the tree builder drops make nothing; nothing is read
/// from elements the tree builder makes up.
class CHtmlTreeState {
public:
    enum class ENamespace : std::uint8_t { HTML, SVG, MATHML };
    /// What a start tag made.
    struct SElement {
        ENamespace eNamespace = ENamespace::HTML;
        /// False in a template's contents and for a tag the tree builder drops.
        bool bInDocument = true;
        /// The text that follows the start tag.
        CHtmlTokenizer::EText eText = CHtmlTokenizer::EText::DATA;
        /// The first element of the body: what follows it until a frameset
        /// replaces the body is in the body.
        bool bStartsBody = false;
        /// A frameset that takes the body's place: what the body held is no
        /// longer in the document.
        bool bReplacesBody = false;
    };

    /// The element tag (a start tag) makes; bSeenText says whether the
    /// page held text before it.
    SElement OnStartTag(const SHtmlTag& tag, bool bSeenText);
    /// Closes what the end tag tag closes.
    void OnEndTag(const SHtmlTag& tag);
    /// True while the current node is SVG or MathML, where CDATA sections are read.
    bool IsForeignContent() const { return !m_open.empty() && m_open.back().eNamespace != ENamespace::HTML; }
    /// How many elements are open.
    std::size_t GetDepth() const { return m_open.size(); }

private:
    // Where each name is open in each namespace, so an end tag finds its
    // element at once however deep the page nests.
    using OpenIndices = std::array<std::vector<std::uint32_t>, 3>;
    struct SOpen {
        const std::string* pName; ///< the key of its entry in m_openByName
        OpenIndices* pIndices;
        ENamespace eNamespace;
        bool bHtmlIntegration; ///< its content's start tags are HTML
        bool bTextIntegration; ///< a MathML text integration point
        std::int32_t nBoundary; ///< the nearest scope boundary at or below it, -1 for none
        std::int32_t nHtml; ///< the nearest HTML element at or below it, -1 for none
    };

    SElement StartForeign(const SHtmlTag& tag, bool& bReprocess);
    SElement StartHtml(const SHtmlTag& tag, bool bSeenText);
    SElement StartInFrameset(const std::string& strName);
    bool TakesHtmlRules(const SOpen& top, const SHtmlTag& tag) const;
    void EndHtml(const std::string& strName);
    void Push(const std::string& strName, ENamespace eNamespace, const SHtmlTag& tag);
    void PopThrough(std::size_t nIndex);
    std::int32_t LastOpen(const std::string& strName, ENamespace eNamespace) const;

    std::vector<SOpen> m_open;
    // Only names now open have an entry: its size is bounded by the depth.
    std::unordered_map<std::string, OpenIndices> m_openByName;
    std::size_t m_nTemplates = 0;
    std::size_t m_nFramesets = 0;
    bool m_bFrameset = false;
    bool m_bFramesetOk = true;
    bool m_bBodyStarted = false;
};
