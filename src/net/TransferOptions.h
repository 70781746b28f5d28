#pragma once

#include <string>
#include <vector>

/// How a session's requests go out. Every default leaves the request as the
/// network library makes it, so a session that sets none of them sends what
/// the default mode's byte-exact request tests pin.
struct STransferOptions {
    /// The HTTP versions a request may use.
    enum class EHttpVersion {
        /// libcurl's own choice: HTTP/2 over TLS where the server offers it
        /// (ALPN), multiplexed up to libcurl's 100 streams a connection;
        /// HTTP/1.1 otherwise.
        LIBRARY_DEFAULT,
        /// The same, but requests to one host wait for its first connection
        /// to learn whether it multiplexes, and one connection carries at
        /// most the per-host limit of streams: that limit bounds streams
        /// rather than connections.
        HTTP2_MULTIPLEXED,
        /// HTTP/1.1 only: HTTP/2 is not offered, nothing is multiplexed.
        HTTP1_1,
    };

    /// A PEM file of certificate authorities trusted instead of the
    /// system's store; empty: the system's store.
    std::string strCABundle;
    /// With no strCABundle, the file the CURL_CA_BUNDLE environment variable
    /// names, when set and not empty, is the bundle; read when the options
    /// are set.
    bool bCABundleFromEnvironment = false;
    EHttpVersion eHttpVersion = EHttpVersion::LIBRARY_DEFAULT;
    /// Asks for every compression libcurl can decode; bodies are read
    /// decoded, so size bounds count decoded bytes.
    bool bAskForCompression = false;
    std::string strUserAgent = "Lintrel";
    /// The engine holds each host's requests in flight to a limit that
    /// halves at each 429 or 503 and grows back after a run of other
    /// answers (CHostGate); off: those answers leave the limit, which only
    /// the pace of the host's connections sets.
    bool bTuneHostLimit = false;
    /// At most this many requests started to one host in any one second;
    /// 0: no bound.
    int nMaxPerSecond = 0;
    /// A 429 or 503 whose Retry-After asks for at most this many seconds
    /// pauses its host from the moment it arrives, so requests sent ahead
    /// wait too; -1: no pause but PauseHost's.
    int nMaxRetryAfterPause = -1;
    /// Header lines ("Name: value") added to requests whose URL has the host
    /// and port of strHeaderOrigin, and to no other request, not even a
    /// redirect from one of them to elsewhere.
    std::vector<std::string> headers;
    /// The start page's URL, whose host and port the headers go to.
    std::string strHeaderOrigin;
    /// Credentials for each host from ~/.netrc, as the curl tool reads them.
    bool bNetrc = false;
    /// A cookie file in the Netscape format curl and browsers export; its
    /// cookies go to the hosts their domains name. Empty: no cookies.
    std::string strCookieFile;
};
