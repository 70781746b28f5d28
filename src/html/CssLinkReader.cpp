#include "html/CssLinkReader.h"

#include "html/CssTokenizer.h"
#include "html/LineColumnCounter.h"

#include <string>

namespace {

using EKind = CCssTokenizer::EKind;
using SToken = CCssTokenizer::SToken;

bool IsNamed(const std::string& strName, std::string_view strWanted)
{
    if (strName.size() != strWanted.size())
        return false;
    for (std::size_t n = 0; n < strName.size(); ++n) {
        const char ch = strName[n] >= 'A' && strName[n] <= 'Z' ? static_cast<char>(strName[n] | 0x20) : strName[n];
        if (ch != strWanted[n])
            return false;
    }
    return true;
}

// The tokens of one stylesheet with one token of look-ahead, and the
// references found, positioned within the document the text belongs to.
class CReading {
public:
    CReading(std::string_view text, int nLine, int nColumn)
        : m_tokens(text)
        , m_counter(text)
        , m_nLine(nLine)
        , m_nColumn(nColumn)
    {
    }

    SToken Next()
    {
        if (!m_bHeld)
            return m_tokens.Next();
        m_bHeld = false;
        return std::move(m_held);
    }
    // The token after any white space; one that is not wanted is given back.
    SToken NextSolid()
    {
        SToken token = Next();
        while (token.eKind == EKind::WHITESPACE)
            token = Next();
        return token;
    }
    void GiveBack(SToken token)
    {
        m_held = std::move(token);
        m_bHeld = true;
    }
    void Add(std::string strValue, std::size_t nOffset, bool bImport)
    {
        if (strValue.empty() || strValue[0] == '#')
            return;
        m_counter.AdvanceTo(nOffset);
        const int nLine = m_nLine + m_counter.GetLine() - 1;
        const int nColumn = m_counter.GetLine() == 1 ? m_nColumn + m_counter.GetColumn() - 1 : m_counter.GetColumn();
        m_references.push_back({std::move(strValue), nLine, nColumn, bImport});
    }
    std::vector<SCssReference> TakeReferences() { return std::move(m_references); }

private:
    CCssTokenizer m_tokens;
    CLineColumnCounter m_counter;
    int m_nLine;
    int m_nColumn;
    SToken m_held;
    bool m_bHeld = false;
    std::vector<SCssReference> m_references;
};

// The string argument of a url( function just read, or none.
bool ReadUrlFunction(CReading& reading, std::string& strValue)
{
    SToken argument = reading.NextSolid();
    if (argument.eKind != EKind::STRING) {
        reading.GiveBack(std::move(argument));
        return false;
    }
    strValue = std::move(argument.strValue);
    return true;
}

// What follows an @import: a string, a url token or a url( function.
void ReadImport(CReading& reading, std::size_t nAt)
{
    SToken target = reading.NextSolid();
    std::string strValue;
    if (target.eKind == EKind::STRING)
        reading.Add(std::move(target.strValue), target.nOffset, true);
    else if (target.eKind == EKind::URL)
        reading.Add(std::move(target.strValue), nAt, true);
    else if (target.eKind == EKind::FUNCTION && IsNamed(target.strValue, "url") && ReadUrlFunction(reading, strValue))
        reading.Add(std::move(strValue), nAt, true);
    else
        reading.GiveBack(std::move(target));
}

} // namespace

std::vector<SCssReference> CCssLinkReader::Read(std::string_view strText, int nLine, int nColumn)
{
    CReading reading(strText, nLine, nColumn);
    for (SToken token = reading.Next(); token.eKind != EKind::END; token = reading.Next()) {
        std::string strValue;
        if (token.eKind == EKind::URL)
            reading.Add(std::move(token.strValue), token.nOffset, false);
        else if (token.eKind == EKind::FUNCTION && IsNamed(token.strValue, "url") && ReadUrlFunction(reading, strValue))
            reading.Add(std::move(strValue), token.nOffset, false);
        else if (token.eKind == EKind::AT_KEYWORD && IsNamed(token.strValue, "import"))
            ReadImport(reading, token.nOffset);
    }
    return reading.TakeReferences();
}
