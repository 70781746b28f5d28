#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// Cuts a stylesheet into the tokens of CSS syntax, one at a time: comments
/// skipped, escapes decoded, strings and url() values read as a browser
/// reads them. The input is taken as written, CR LF, CR and FF counting as
/// one line break each. Reads the text it is given, which must outlive it.
class CCssTokenizer {
public:
    enum class EKind { END, WHITESPACE, STRING, BAD_STRING, URL, BAD_URL, FUNCTION, AT_KEYWORD, IDENT, OTHER };

    /// One token: its kind, the byte offset of its first character, and for
    /// strings, urls, functions, at-keywords and identifiers its value with
    /// escapes decoded (a function's and an at-keyword's name without "(" or "@").
    struct SToken {
        EKind eKind = EKind::END;
        std::size_t nOffset = 0;
        std::string strValue;
    };

    explicit CCssTokenizer(std::string_view text)
        : m_text(text)
    {
    }

    /// The next token; END, again and again, once the text is used up.
    SToken Next();

private:
    char At(std::size_t nAhead) const;
    bool IsValidEscape(std::size_t nAhead) const;
    bool StartsIdentifier(std::size_t nAhead) const;
    bool StartsNumber() const;
    void SkipComments();
    void SkipNewline();
    void ConsumeEscape(std::string& strValue);
    std::string ConsumeName();
    void ConsumeNumeric();
    SToken ConsumeString(char chEnd);
    SToken ConsumeIdentLike();
    SToken ConsumeUrl();
    void ConsumeBadUrlRemnants();

    std::string_view m_text;
    std::size_t m_nPos = 0;
};
