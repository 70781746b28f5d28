#include "net/RetryAfter.h"

#include "net/TransferEngine.h"
#include "net/TrimSpace.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

std::optional<std::uint64_t> ParseSeconds(std::string_view str)
{
    std::uint64_t nSeconds = 0;
    for (char ch : str) {
        if (ch < '0' || ch > '9')
            return std::nullopt;
        // Saturates rather than wraps, however many digits follow.
        nSeconds = std::min(CRetryAfter::MAX_SECONDS, nSeconds * 10 + static_cast<std::uint64_t>(ch - '0'));
    }
    return nSeconds;
}

// Every form of HTTP date begins with a day's name; the date reader would
// also take numbers and zone names, which are no date here.
bool StartsWithDayName(std::string_view str)
{
    static constexpr std::array<std::string_view, 7> DAYS = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    return std::any_of(DAYS.begin(), DAYS.end(), [str](std::string_view day) { return str.substr(0, 3) == day; });
}

} // namespace

std::optional<std::uint64_t> CRetryAfter::Parse(std::string_view strValue, std::time_t now)
{
    const std::string_view str = TrimSpace(strValue);
    if (str.empty())
        return std::nullopt;
    if (str.front() >= '0' && str.front() <= '9')
        return ParseSeconds(str);
    if (!StartsWithDayName(str))
        return std::nullopt;
    const std::optional<std::time_t> when = CTransferEngine::ParseHttpDate(std::string(str));
    if (!when)
        return std::nullopt;
    if (*when <= now)
        return 0;
    return std::min(MAX_SECONDS, static_cast<std::uint64_t>(*when - now));
}
