#include "cli/CliMessage.h"

#include <cstddef>

namespace {

// An argument echoed in a message is shown by its two ends past this.
constexpr std::size_t MAX_ECHO = 200;

} // namespace

std::string Abbreviate(const std::string& str)
{
    if (str.size() <= MAX_ECHO)
        return str;
    return str.substr(0, MAX_ECHO / 2) + "..." + str.substr(str.size() - MAX_ECHO / 2);
}
