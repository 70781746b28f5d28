#include "modern/FragmentMatcher.h"

#include "modern/HexDigit.h"

#include <algorithm>
#include <numeric>

namespace {

// The URL standard's fragment percent-encode set: C0 controls, space, '"',
// '<', '>', '`', and every byte above '~' (a code point's UTF-8 bytes).
bool IsEncodedInFragment(unsigned char ch)
{
    return ch <= 0x20 || ch >= 0x7F || ch == '"' || ch == '<' || ch == '>' || ch == '`';
}

bool Contains(const std::vector<std::string>& values, const std::string& strValue)
{
    return std::find(values.begin(), values.end(), strValue) != values.end();
}

bool NamesTarget(const SFragmentTargets& targets, const std::string& strFragment)
{
    return Contains(targets.ids, strFragment) || Contains(targets.anchorNames, strFragment);
}

bool IsTop(const std::string& strDecoded)
{
    return strDecoded.size() == 3 && std::equal(strDecoded.begin(), strDecoded.end(), "top", [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
    });
}

// The edit distance of two texts, or nBound + 1 once it must exceed nBound:
// most ids of a page are far from the fragment and are given up early.
std::size_t BoundedDistance(std::string_view a, std::string_view b, std::size_t nBound)
{
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > nBound)
        return nBound + 1;
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t {0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t nDiagonal = row[0];
        row[0] = i;
        std::size_t nRowLeast = row[0];
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t nAbove = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, nDiagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            nDiagonal = nAbove;
            nRowLeast = std::min(nRowLeast, row[j]);
        }
        if (nRowLeast > nBound)
            return nBound + 1;
    }
    return row[b.size()];
}

} // namespace

std::optional<std::string> CFragmentMatcher::FromReference(std::string_view strReference)
{
    const std::size_t nHash = strReference.find('#');
    if (nHash == std::string_view::npos)
        return std::nullopt;
    std::string_view fragment = strReference.substr(nHash + 1);
    // A text directive scrolls to text, not to an element: nothing to check.
    fragment = fragment.substr(0, fragment.find(":~:"));
    if (fragment.empty())
        return std::nullopt;
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string strOut;
    strOut.reserve(fragment.size());
    for (std::size_t i = 0; i < fragment.size(); ++i) {
        const auto ch = static_cast<unsigned char>(fragment[i]);
        if (IsEncodedInFragment(ch)) {
            strOut += '%';
            strOut += HEX[ch >> 4];
            strOut += HEX[ch & 0x0F];
        } else if (ch == '%' && i + 2 < fragment.size() && HexDigitValue(fragment[i + 1]) >= 0
            && HexDigitValue(fragment[i + 2]) >= 0) {
            strOut += '%';
            strOut += HEX[HexDigitValue(fragment[i + 1])];
            strOut += HEX[HexDigitValue(fragment[i + 2])];
            i += 2;
        } else {
            strOut += static_cast<char>(ch);
        }
    }
    return strOut;
}

bool CFragmentMatcher::Finds(const SFragmentTargets& targets, const std::string& strFragment)
{
    if (NamesTarget(targets, strFragment))
        return true;
    const std::string strDecoded = PercentDecoded(strFragment);
    return (strDecoded != strFragment && NamesTarget(targets, strDecoded)) || IsTop(strDecoded);
}

std::vector<std::string> CFragmentMatcher::Suggest(const SFragmentTargets& targets, const std::string& strFragment)
{
    const std::string strDecoded = PercentDecoded(strFragment);
    const std::size_t nBound = std::max<std::size_t>(3, strDecoded.size() / 3);
    // Distance, then document order: a stable sort keeps the latter.
    std::vector<std::pair<std::size_t, const std::string*>> near;
    for (const std::string& strId : targets.ids) {
        const std::size_t nDistance = BoundedDistance(strDecoded, strId, nBound);
        if (nDistance <= nBound
            && std::none_of(near.begin(), near.end(), [&strId](const auto& entry) { return *entry.second == strId; }))
            near.emplace_back(nDistance, &strId);
    }
    std::stable_sort(near.begin(), near.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> suggestions;
    for (std::size_t i = 0; i < near.size() && i < MAX_SUGGESTIONS; ++i)
        suggestions.push_back(*near[i].second);
    return suggestions;
}
