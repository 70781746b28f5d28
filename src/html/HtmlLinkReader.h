#pragma once

#include "html/FragmentTargets.h"
#include "html/HtmlReference.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SHtmlTag;

/// Reads the link references of a page as a browser's HTML parser sees
/// them, with the HTML tokenizer and the little of tree construction that
/// decides which elements a start tag makes: a[href], area[href],
/// link[href] (unless rel is preconnect or dns-prefetch), frame/iframe[src],
/// img[src], img[srcset], source[src], source[srcset], script[src],
/// video[src], video[poster], audio[src], track[src], embed[src],
/// object[data], input[type=image][src], meta[http-equiv=refresh] content,
/// in the source order of start tags, then the order listed. Nothing is
/// read from comments, raw text, template contents, SVG or MathML, or from
/// elements the parser made up. Each value is cleaned; empty and
/// fragment-only values are left out. Values are not resolved.
class CHtmlLinkReader {
public:
    /// With true, a later Read also finds the values that are only a
    /// fragment ("#usage"), links to a part of the same page.
    void SetFragmentOnly(bool bFragmentOnly) { m_bFragmentOnly = bFragmentOnly; }
    /// Reads strUtf8, which must be valid UTF-8 (as CCharsetDecoder gives);
    /// replaces what an earlier Read found.
    void Read(std::string_view strUtf8);
    /// How many references the last Read found.
    std::size_t GetCount() const { return m_entries.size(); }
    /// The nIndex-th reference in document order; its value stays valid
    /// until the next Read.
    SHtmlReference GetReference(std::size_t nIndex) const;
    /// True when the page has a <base href>.
    bool HasBase() const { return m_bHasBase; }
    /// The first <base href>'s value as written (character references
    /// decoded); empty without one.
    const std::string& GetBase() const { return m_strBase; }
    /// The ids and anchor names the last Read found.
    const SFragmentTargets& GetFragmentTargets() const { return m_targets; }

private:
    // One reference in 16 bytes, its value in m_strValues: a page of a
    // million links must not cost a string object per link.
    struct SEntry {
        std::uint32_t nValueOffset;
        std::uint32_t nValueLength;
        int nLine;
        int nColumn;
    };
    void ReadHtmlElement(const SHtmlTag& tag);
    void NoteFragmentTargets(const SHtmlTag& tag, bool bHtml);
    void AddValue(std::string_view strValue);
    void MarkBodyStart();
    void RemoveBody();

    // What had been read when the body began, for a frameset that replaces it.
    struct SBodyStart {
        std::size_t nValues = 0;
        std::size_t nEntries = 0;
        std::size_t nIds = 0;
        std::size_t nAnchorNames = 0;
        bool bHasBase = false;
    };
    SBodyStart m_bodyStart;

    std::string m_strValues;
    std::vector<SEntry> m_entries;
    bool m_bHasBase = false;
    std::string m_strBase;
    SFragmentTargets m_targets;
    bool m_bFragmentOnly = false;
};
