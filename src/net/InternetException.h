#pragma once

#include "net/TransferError.h"

#include <stdexcept>
#include <string>

/// A failed internet request: connection, transfer, protocol or local file.
/// Carries a readable message of at most MAX_MESSAGE characters.
class CInternetException : public std::runtime_error {
public:
    /// The longest message kept: a 255-byte buffer with its terminating zero.
    static constexpr std::size_t MAX_MESSAGE = 254;

    explicit CInternetException(const std::string& strMessage, ETransferError eKind = ETransferError::OTHER)
        : std::runtime_error(strMessage.substr(0, MAX_MESSAGE))
        , m_eKind(eKind)
    {
    }

    std::string GetErrorMessage() const { return what(); }
    /// What kind of failure it was; OTHER unless the network library said.
    ETransferError GetErrorKind() const { return m_eKind; }

private:
    ETransferError m_eKind;
};
