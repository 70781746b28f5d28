#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <unordered_map>

/// Which requests may start, per host and port: at most a limit in flight
/// that halves at each 429 or 503 from the host and grows back by one after
/// a run of other answers, at most a number of starts in any one second,
/// and none while the host is paused. Knows no network and no clock of its
/// own: every call is given the time.
class CHostGate {
public:
    using Clock = std::chrono::steady_clock;

    /// Answers in a row, neither 429 nor 503, after which a lowered limit
    /// grows by one.
    static constexpr int RECOVERY_RUN = 20;

    /// The host and port of a web URL as "host:port"; empty for anything
    /// else, which the gate never holds back.
    static std::string HostKey(const std::string& strURL);

    /// Every host's limit to begin with and the most it grows back to (at
    /// least 1); hosts already known start over from it.
    void SetCeiling(int nPerHost);
    /// At most nPerSecond starts to one host in any one second; 0: no bound.
    void SetRate(int nPerSecond) { m_nPerSecond = nPerSecond; }

    /// True when a request to strHost may start at now.
    bool MayStart(const std::string& strHost, Clock::time_point now) const;
    /// A request to strHost started at now: it counts until OnEnded.
    void OnStarted(const std::string& strHost, Clock::time_point now);
    /// A started request ended; nStatusCode is its final answer's code, 0
    /// when none came (a failure neither lowers nor restores the limit).
    void OnEnded(const std::string& strHost, int nStatusCode);
    /// Starts nothing to strHost before until; a later pause wins only
    /// when it lasts longer.
    void Pause(const std::string& strHost, Clock::time_point until);

    /// True when strHost has as many requests in flight as its limit allows.
    bool IsAtLimit(const std::string& strHost) const;
    /// True when a request to strHost waits at now only for one in flight
    /// to end: neither a pause nor the rate holds it.
    bool WaitsOnlyForRoom(const std::string& strHost, Clock::time_point now) const;
    /// strHost's limit in flight now.
    int GetLimit(const std::string& strHost) const;

private:
    struct SHost {
        int nLimit = 1;
        int nInFlight = 0;
        int nGoodRun = 0;
        // Starts within the last second, oldest first; at most the rate.
        std::deque<Clock::time_point> starts;
        Clock::time_point pausedUntil {};
    };

    SHost& Find(const std::string& strHost);
    int CountRecentStarts(const SHost& host, Clock::time_point now) const;

    std::unordered_map<std::string, SHost> m_hosts;
    int m_nCeiling = 1;
    int m_nPerSecond = 0;
};
