#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <unordered_map>

/// Which requests may start, per host and port: at most a limit in flight
/// that halves at each 429 or 503 from the host and grows back by one after
/// a run of other answers, at most a number of starts in any one second,
/// and none while the host is paused. A new host's limit may begin low and
/// grow while its connections open promptly; an open that takes far longer
/// than the host's others halves it for good. Knows no network and no clock
/// of its own: every call is given the time.
class CHostGate {
public:
    using Clock = std::chrono::steady_clock;

    /// Answers in a row, neither 429 nor 503, after which a lowered limit
    /// grows by one.
    static constexpr int RECOVERY_RUN = 20;
    /// An open is slow once it has taken this many times the host's longest
    /// prompt one, and at least SLOW_OPEN_FLOOR: well before the kernel
    /// sends a dropped connection attempt again (1 s), and above what a
    /// loaded machine adds to a prompt open.
    static constexpr int SLOW_OPEN_FACTOR = 4;
    static constexpr std::chrono::milliseconds SLOW_OPEN_FLOOR {100};

    /// The host and port of a web URL as "host:port"; empty for anything
    /// else, which the gate never holds back.
    static std::string HostKey(const std::string& strURL);

    /// Every host's limit to begin with and the most it grows back to (at
    /// least 1); hosts already known start over from it.
    void SetCeiling(int nPerHost);
    /// At most nPerSecond starts to one host in any one second; 0: no bound.
    void SetRate(int nPerSecond) { m_nPerSecond = nPerSecond; }
    /// A new host's limit begins at nFirst and grows by one with each prompt
    /// open (doubling with each round of opens) up to the ceiling; 0: it
    /// begins at the ceiling.
    void SetFirstOpens(int nFirst) { m_nFirstOpens = nFirst; }
    /// Whether 429 and 503 lower the limit (they do unless told).
    void SetTuneByAnswers(bool bTune) { m_bTuneByAnswers = bTune; }

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
    /// A request to strHost has its connection, opened or reused, after
    /// took; a prompt open grows a limit that is still beginning.
    void OnOpened(const std::string& strHost, Clock::duration took);
    /// True when an open to strHost that has taken waited so far is slow;
    /// never before one of the host's opens was prompt.
    bool IsSlowOpen(const std::string& strHost, Clock::duration waited) const;
    /// An open to strHost begun at since is slow: the limit halves and grows
    /// back no higher. Once for the opens begun before the last such halving:
    /// they belong to the same burst.
    void OnSlowOpen(const std::string& strHost, Clock::time_point since, Clock::time_point now);

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
        // The most nLimit grows back to: the gate's ceiling until an open was slow.
        int nCeiling = 1;
        bool bGrowing = false;
        int nInFlight = 0;
        int nGoodRun = 0;
        bool bOpened = false;
        Clock::duration longestOpen {};
        Clock::time_point lastBackOff {};
        // Starts within the last second, oldest first; at most the rate.
        std::deque<Clock::time_point> starts;
        Clock::time_point pausedUntil {};
    };

    SHost& Find(const std::string& strHost);
    void StartOver(SHost& host) const;
    int CountRecentStarts(const SHost& host, Clock::time_point now) const;

    std::unordered_map<std::string, SHost> m_hosts;
    int m_nCeiling = 1;
    int m_nPerSecond = 0;
    int m_nFirstOpens = 0;
    bool m_bTuneByAnswers = true;
};
