#include "modern/AcceptedCodes.h"

#include "net/TrimSpace.h"

#include <charconv>

CAcceptedCodes::CAcceptedCodes()
{
    for (int nCode = 200; nCode <= 299; ++nCode)
        m_codes.set(Index(nCode));
}

std::optional<CAcceptedCodes> CAcceptedCodes::Parse(const std::vector<std::string>& lists, std::string& strBad)
{
    CAcceptedCodes codes;
    codes.m_codes.reset();
    for (const std::string& strList : lists) {
        std::string_view rest(strList);
        // An empty item, an empty list included, is a mistake, not "accept nothing".
        for (bool bLast = false; !bLast;) {
            const std::size_t nComma = rest.find(',');
            bLast = nComma == std::string_view::npos;
            const std::string_view item = rest.substr(0, nComma);
            if (!codes.AddItem(item)) {
                strBad = std::string(item);
                return std::nullopt;
            }
            rest.remove_prefix(bLast ? rest.size() : nComma + 1);
        }
    }
    return codes;
}

std::optional<int> CAcceptedCodes::ParseCode(std::string_view strText)
{
    strText = TrimSpace(strText);
    int nCode = 0;
    const char* pEnd = strText.data() + strText.size();
    // Exactly three digits: "0200" or "-99" is no code.
    if (strText.size() != 3 || std::from_chars(strText.data(), pEnd, nCode).ptr != pEnd || nCode < MIN_CODE)
        return std::nullopt;
    return nCode;
}

bool CAcceptedCodes::AddItem(std::string_view strItem)
{
    const std::size_t nDash = strItem.find('-');
    const std::optional<int> nLow = ParseCode(strItem.substr(0, nDash));
    const std::optional<int> nHigh = nDash == std::string_view::npos ? nLow : ParseCode(strItem.substr(nDash + 1));
    if (!nLow || !nHigh || *nLow > *nHigh)
        return false;
    for (int nCode = *nLow; nCode <= *nHigh; ++nCode)
        m_codes.set(Index(nCode));
    return true;
}
