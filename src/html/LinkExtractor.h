#pragma once

#include "html/PageStream.h"
#include "link/LinkOccurrence.h"

#include <memory>
#include <string>
#include <unordered_set>

class CLink;
class CLinkArray;

/// Turns one fetched page into link records. A word scanner, not an HTML
/// parser: a word containing "FRAME" is followed by a SRC attribute, any
/// other word containing "A" by an HREF; a prior pass looks for a BASE
/// word's HREF. One extractor serves every page of a crawl.
class CLinkExtractor {
public:
    /// Appends to pLinks one record per new http link of the page, referred
    /// by pPage or by the page's base record (which pLinks then owns), each
    /// with one occurrence: pPage and where the attribute's name began.
    /// Reads the stream to its end; does nothing when pLinks is null.
    void Extract(CPageStream& stream, CLinkArray* pLinks, CLink* pPage);
    /// The base pre-scan: a record (no referrer) for the first BASE word
    /// followed by a non-empty quoted HREF, or null when the page has none.
    std::unique_ptr<CLink> FindBase(CPageStream& stream);
    /// Reads pszName (upper case), "=" and a double-quoted value at the
    /// stream's position into strValue; strValue is untouched on failure.
    void ReadAttribute(const char* pszName, CPageStream& stream, std::string& strValue);
    /// Files one attribute value: an empty value adds nothing; a record that
    /// is not http or is already in pLinks is deleted at once. A filed record
    /// keeps occurrence when its line is set.
    void AddLink(CLink* pBase, const std::string& strURL, CLinkArray* pLinks, CLink* pPage,
        const SLinkOccurrence& occurrence = {});
    /// How many distinct https links the pages held, none of them filed.
    std::size_t GetSkippedSecureCount() const { return m_skippedSecure.size(); }

private:
    /// Lies outside every stream position, so no HREF can be taken for the
    /// base tag's own before a base has been noted on this page.
    static constexpr CPageStream::Pos NO_BASE_POS = -2;

    CPageStream::Pos m_nBasePos = NO_BASE_POS;
    // Where the last attribute name tried began: its value's occurrence.
    CPageStream::Pos m_nAttributePos = 0;
    bool m_bNoteBase = false;
    bool m_bSkipBase = false;
    // Only counted, so a user can be told that another mode checks them.
    std::unordered_set<std::string> m_skippedSecure;
};
