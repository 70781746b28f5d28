#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

/// What a test server saw of a client's manners: when each request came,
/// and the most answered at once. Thread-safe: the server's handlers call it.
class CLoadRecorder {
public:
    using Clock = std::chrono::steady_clock;

    struct SArrival {
        std::string strMethod;
        std::string strPath;
        Clock::time_point at;
        std::string strUserAgent;
        // Requests of the server's that were in flight when this one came.
        int nOthersInFlight = 0;
    };

    /// A handler that notes the request, holds it for delay, then answers
    /// nStatus with strBody as text/html.
    httplib::Server::Handler Answer(int nStatus, std::chrono::milliseconds delay, std::string strBody = "");

    /// For a server of its own: notes a request as it arrives; it counts as
    /// in flight until the matching Leave.
    void Arrive(const std::string& strMethod, const std::string& strPath, const std::string& strUserAgent = "");
    void Leave();

    std::vector<SArrival> GetArrivals() const;
    /// Arrivals of this path, in order.
    std::vector<Clock::time_point> GetTimes(const std::string& strPath) const;
    int GetMaxInFlight() const;
    /// Starts the count of the most at once over.
    void ResetMaxInFlight();

    /// The most of times that fall within any one window of this length.
    static std::size_t MostInAnyWindow(std::vector<Clock::time_point> times, Clock::duration window);

private:
    mutable std::mutex m_mutex;
    std::vector<SArrival> m_arrivals;
    int m_nInFlight = 0;
    int m_nMaxInFlight = 0;
};
