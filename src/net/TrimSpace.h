#pragma once

#include <string_view>

/// str without the spaces and tabs around it: the optional white space
/// around an HTTP field value or a robots.txt line's parts.
constexpr std::string_view TrimSpace(std::string_view str)
{
    while (!str.empty() && (str.front() == ' ' || str.front() == '\t'))
        str.remove_prefix(1);
    while (!str.empty() && (str.back() == ' ' || str.back() == '\t'))
        str.remove_suffix(1);
    return str;
}
