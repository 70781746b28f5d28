#include "support/LoadRecorder.h"

#include <algorithm>
#include <thread>

httplib::Server::Handler CLoadRecorder::Answer(int nStatus, std::chrono::milliseconds delay, std::string strBody)
{
    return [this, nStatus, delay, strBody](const httplib::Request& request, httplib::Response& response) {
        Arrive(request.method, request.path, request.get_header_value("User-Agent"));
        std::this_thread::sleep_for(delay);
        Leave();
        response.status = nStatus;
        response.set_content(strBody, "text/html");
    };
}

void CLoadRecorder::Arrive(const std::string& strMethod, const std::string& strPath, const std::string& strUserAgent)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_arrivals.push_back({strMethod, strPath, Clock::now(), strUserAgent, m_nInFlight});
    m_nMaxInFlight = std::max(m_nMaxInFlight, ++m_nInFlight);
}

void CLoadRecorder::Leave()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_nInFlight;
}

std::vector<CLoadRecorder::SArrival> CLoadRecorder::GetArrivals() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_arrivals;
}

std::vector<CLoadRecorder::Clock::time_point> CLoadRecorder::GetTimes(const std::string& strPath) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Clock::time_point> times;
    for (const SArrival& arrival : m_arrivals)
        if (arrival.strPath == strPath)
            times.push_back(arrival.at);
    return times;
}

int CLoadRecorder::GetMaxInFlight() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nMaxInFlight;
}

void CLoadRecorder::ResetMaxInFlight()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nMaxInFlight = m_nInFlight;
}

std::size_t CLoadRecorder::MostInAnyWindow(std::vector<Clock::time_point> times, Clock::duration window)
{
    std::sort(times.begin(), times.end());
    std::size_t nMost = 0;
    for (std::size_t nFirst = 0, nEnd = 0; nFirst < times.size(); ++nFirst) {
        while (nEnd < times.size() && times[nEnd] - times[nFirst] < window)
            ++nEnd;
        nMost = std::max(nMost, nEnd - nFirst);
    }
    return nMost;
}
