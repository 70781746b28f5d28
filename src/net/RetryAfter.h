#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

/// Reads a Retry-After value as a server sent it: a count of seconds or an
/// HTTP date. Anything else is as if the field were absent.
class CRetryAfter {
public:
    /// Reported for every longer wait: beyond any cap a crawl accepts, and
    /// far from overflowing whatever adds it to a time.
    static constexpr std::uint64_t MAX_SECONDS = std::uint64_t {1} << 32;

    /// The wait strValue asks for, from now (seconds since the epoch), at
    /// most MAX_SECONDS; 0 for a date in the past; none when strValue is
    /// neither a non-negative integer nor an HTTP date.
    static std::optional<std::uint64_t> Parse(std::string_view strValue, std::time_t now);
};
