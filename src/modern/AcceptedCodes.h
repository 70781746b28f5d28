#pragma once

#include <bitset>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// The final status codes a modern check counts as ok: 200 to 299 unless
/// the user names others, as codes and ranges ("200-299,403,999").
class CAcceptedCodes {
public:
    static constexpr int MIN_CODE = 100;
    static constexpr int MAX_CODE = 999;

    /// 200 to 299.
    CAcceptedCodes();

    /// The codes of every list, each a comma-separated run of codes and
    /// ranges (low-high, low not above high) from MIN_CODE to MAX_CODE; none
    /// when a list has any other item, which strBad then names.
    static std::optional<CAcceptedCodes> Parse(const std::vector<std::string>& lists, std::string& strBad);

    /// True when nCode is one of the codes.
    bool Contains(int nCode) const { return nCode >= MIN_CODE && nCode <= MAX_CODE && m_codes.test(Index(nCode)); }

private:
    static std::size_t Index(int nCode) { return static_cast<std::size_t>(nCode - MIN_CODE); }
    static std::optional<int> ParseCode(std::string_view strText);
    bool AddItem(std::string_view strItem);

    std::bitset<MAX_CODE - MIN_CODE + 1> m_codes;
};
