#pragma once

#include <stdexcept>
#include <string>

/// A failed internet request: connection, transfer, protocol or local file.
/// Carries a readable message of at most MAX_MESSAGE characters.
class CInternetException : public std::runtime_error {
public:
    /// The longest message kept: a 255-byte buffer with its terminating zero.
    static constexpr std::size_t MAX_MESSAGE = 254;

    explicit CInternetException(const std::string& strMessage)
        : std::runtime_error(strMessage.substr(0, MAX_MESSAGE))
    {
    }

    std::string GetErrorMessage() const { return what(); }
};
