#pragma once

/// What kind of failure ended a request, so that callers decide on it
/// without reading the message text.
enum class ETransferError {
    NONE,
    TIMEOUT,
    CONNECTION, // refused or reset
    EMPTY_REPLY,
    HOST_NOT_FOUND,
    TLS,
    TOO_MANY_REDIRECTS,
    UNSUPPORTED_SCHEME,
    OTHER,
};
