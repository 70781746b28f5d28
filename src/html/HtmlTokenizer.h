#pragma once

#include "html/HtmlTag.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

/// The HTML standard's tokenizer, reduced to what a reader of links needs:
/// it emits the start and end tags of a text and passes over everything
/// else (character data, comments, DOCTYPEs, CDATA sections) in the states
/// the standard gives them, so a tag begins exactly where a browser's does.
/// What follows a start tag (RCDATA, RAWTEXT, script data, PLAINTEXT) and
/// whether CDATA sections are read is the tree builder's to say, through
/// SetText and SetForeignContent. Reads the text it is given, which must
/// outlive it; NUL is read as U+FFFD and CR LF as LF where values keep it.
class CHtmlTokenizer {
public:
    /// What the text after a start tag is.
    enum class EText { DATA, RCDATA, RAWTEXT, SCRIPT_DATA, PLAINTEXT };

    explicit CHtmlTokenizer(std::string_view text)
        : m_text(text)
    {
    }

    /// Reads on to the next tag and fills tag with it; false at the end of
    /// the text (a tag the text ends inside is no tag).
    bool NextTag(SHtmlTag& tag);
    /// The text after the start tag just read, which strEndName's end tag closes.
    void SetText(EText eText, std::string_view strEndName);
    /// Whether "<![CDATA[" opens a CDATA section (inside SVG or MathML) or a bogus comment.
    void SetForeignContent(bool bForeign) { m_bForeign = bForeign; }
    /// True once the data read so far held a character other than whitespace.
    bool HasSeenText() const { return m_bSeenText; }

private:
    bool ReadData(SHtmlTag& tag);
    bool ReadMarkupDeclaration();
    bool ReadTextUntilEndTag(SHtmlTag& tag);
    bool ReadScriptData(SHtmlTag& tag);
    bool IsAppropriateEndTag(std::size_t nLess) const;
    bool ReadTextEndTag(SHtmlTag& tag, std::size_t nLess);
    bool ReadTag(SHtmlTag& tag, std::size_t nLess, bool bEndTag);
    bool ReadAttributes(SHtmlTag& tag);
    bool ReadAttributeName(SHtmlTag& tag);
    bool ReadAttributeValue(SHtmlTag& tag);
    void StartAttribute(SHtmlTag& tag);
    bool IsDuplicate(const SHtmlTag& tag);
    void AppendNormalised(std::string& strOut, char ch);
    void SkipComment();
    void SkipPast(char ch);
    void NoteText(std::size_t nStart, std::size_t nEnd);

    std::string_view m_text;
    std::size_t m_nPos = 0;
    EText m_eText = EText::DATA;
    std::string m_strEndName;
    bool m_bForeign = false;
    bool m_bSeenText = false;
    std::unordered_set<std::string> m_names;
};
