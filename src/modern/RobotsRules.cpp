#include "modern/RobotsRules.h"

#include "modern/HexDigit.h"
#include "net/TrimSpace.h"

#include <algorithm>
#include <cctype>

namespace {

bool EqualsIgnoringCase(std::string_view left, std::string_view right)
{
    return left.size() == right.size() && std::equal(left.begin(), left.end(), right.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

bool IsUnreserved(unsigned char ch)
{
    return std::isalnum(ch) || ch == '-' || ch == '.' || ch == '_' || ch == '~';
}

// One form for a path and a pattern alike: escapes of unreserved characters
// decoded, other escapes in upper-case hex, bytes outside printable ASCII
// escaped, so that two spellings of one path compare equal.
std::string Canonical(std::string_view text)
{
    static const char HEX[] = "0123456789ABCDEF";
    std::string strOut;
    strOut.reserve(text.size());
    for (std::size_t n = 0; n < text.size(); ++n) {
        const auto ch = static_cast<unsigned char>(text[n]);
        if (ch == '%' && n + 2 < text.size() && HexDigitValue(text[n + 1]) >= 0 && HexDigitValue(text[n + 2]) >= 0) {
            const auto decoded
                = static_cast<unsigned char>(HexDigitValue(text[n + 1]) * 16 + HexDigitValue(text[n + 2]));
            if (IsUnreserved(decoded))
                strOut += static_cast<char>(decoded);
            else
                strOut.append({'%', HEX[decoded >> 4], HEX[decoded & 15]});
            n += 2;
        } else if (ch <= 0x20 || ch >= 0x7F) {
            strOut.append({'%', HEX[ch >> 4], HEX[ch & 15]});
        } else {
            strOut += static_cast<char>(ch);
        }
    }
    return strOut;
}

// The product token a User-agent value names: its leading letters, "_" and "-".
bool NamesProduct(std::string_view value, std::string_view strProduct)
{
    const auto nEnd = std::find_if(value.begin(), value.end(),
        [](char ch) { return !std::isalpha(static_cast<unsigned char>(ch)) && ch != '_' && ch != '-'; });
    return EqualsIgnoringCase(value.substr(0, static_cast<std::size_t>(nEnd - value.begin())), strProduct);
}

// Takes the next line holding a key and its value off file, its comment
// dropped; false once none is left.
bool NextLine(std::string_view& file, std::string_view& key, std::string_view& value)
{
    while (!file.empty()) {
        const std::size_t nEnd = std::min(file.find_first_of("\r\n"), file.size());
        std::string_view line = file.substr(0, nEnd);
        file.remove_prefix(std::min(nEnd + 1, file.size()));
        line = line.substr(0, line.find('#'));
        const std::size_t nColon = line.find(':');
        if (nColon == std::string_view::npos)
            continue;
        key = TrimSpace(line.substr(0, nColon));
        value = TrimSpace(line.substr(nColon + 1));
        return true;
    }
    return false;
}

} // namespace

CRobotsRules CRobotsRules::DisallowAll()
{
    CRobotsRules rules;
    rules.m_bDisallowAll = true;
    return rules;
}

CRobotsRules CRobotsRules::Parse(std::string_view file, std::string_view strProduct)
{
    file = file.substr(0, MAX_FILE);
    if (file.starts_with("\xEF\xBB\xBF"))
        file.remove_prefix(3);
    std::vector<SRule> productRules;
    std::vector<SRule> starRules;
    bool bProductNamed = false;
    // The group being read: whom it names, and whether its agents are still
    // being listed (a rule line ends the list).
    bool bForProduct = false;
    bool bForStar = false;
    bool bInAgents = false;
    std::string_view key;
    std::string_view value;
    while (NextLine(file, key, value)) {
        if (EqualsIgnoringCase(key, "user-agent")) {
            if (!bInAgents)
                bForProduct = bForStar = false;
            bInAgents = true;
            if (value == "*")
                bForStar = true;
            else if (NamesProduct(value, strProduct))
                bForProduct = bProductNamed = true;
            continue;
        }
        const bool bAllow = EqualsIgnoringCase(key, "allow");
        if (!bAllow && !EqualsIgnoringCase(key, "disallow"))
            continue;
        bInAgents = false;
        // An empty path matches nothing: "Disallow:" allows all.
        if (value.empty() || (!bForProduct && !bForStar))
            continue;
        SRule rule {Canonical(value), bAllow};
        if (bForProduct)
            productRules.push_back(rule);
        if (bForStar)
            starRules.push_back(std::move(rule));
    }
    CRobotsRules rules;
    rules.m_rules = bProductNamed ? std::move(productRules) : std::move(starRules);
    return rules;
}

bool CRobotsRules::IsAllowed(std::string_view strPath) const
{
    if (m_bDisallowAll)
        return false;
    const std::string strCanonical = Canonical(strPath);
    std::size_t nBest = 0;
    bool bAllowed = true;
    for (const SRule& rule : m_rules) {
        const std::size_t nLength = rule.strPattern.size();
        if (nLength < nBest || (nLength == nBest && bAllowed) || !Matches(rule.strPattern, strCanonical))
            continue;
        nBest = nLength;
        bAllowed = rule.bAllow;
    }
    return bAllowed;
}

// "*" matches any run of octets and a final "$" the path's end; a rule is
// otherwise a prefix. Each literal piece between stars is taken at its
// first place: with only "*" as a wildcard an earlier place never loses a
// match, so the work is bounded by pieces times path.
bool CRobotsRules::Matches(std::string_view pattern, std::string_view path)
{
    const bool bAnchored = pattern.ends_with('$');
    if (bAnchored)
        pattern.remove_suffix(1);
    const std::size_t nFirstStar = pattern.find('*');
    const std::string_view head = pattern.substr(0, nFirstStar);
    if (!path.starts_with(head))
        return false;
    if (nFirstStar == std::string_view::npos)
        return !bAnchored || path.size() == head.size();
    std::size_t nAt = head.size();
    pattern.remove_prefix(nFirstStar + 1);
    while (true) {
        const std::size_t nStar = pattern.find('*');
        const std::string_view piece = pattern.substr(0, nStar);
        if (nStar == std::string_view::npos) {
            if (!bAnchored)
                return path.find(piece, nAt) != std::string_view::npos;
            return path.size() - nAt >= piece.size() && path.ends_with(piece);
        }
        const std::size_t nFound = path.find(piece, nAt);
        if (nFound == std::string_view::npos)
            return false;
        nAt = nFound + piece.size();
        pattern.remove_prefix(nStar + 1);
    }
}
