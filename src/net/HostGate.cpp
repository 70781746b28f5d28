#include "net/HostGate.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace {

constexpr std::chrono::seconds RATE_WINDOW(1);

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size()
        && std::equal(prefix.begin(), prefix.end(), text.begin(),
            [](char chPrefix, char ch) { return chPrefix == (ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch); });
}

bool IsThrottled(int nStatusCode)
{
    return nStatusCode == 429 || nStatusCode == 503;
}

} // namespace

// Read by hand: every request asks, and a whole parse of its URL costs more
// than the rest of its scheduling. Names are only grouped here, so they
// need no further normal form than their case.
std::string CHostGate::HostKey(const std::string& strURL)
{
    std::string_view rest(strURL);
    int nPort = 0;
    if (StartsWithNoCase(rest, "http://"))
        nPort = 80;
    else if (StartsWithNoCase(rest, "https://"))
        nPort = 443;
    else
        return std::string();
    rest.remove_prefix(rest.find("//") + 2);
    std::string_view authority = rest.substr(0, rest.find_first_of("/?#\\"));
    if (const std::size_t nAt = authority.rfind('@'); nAt != std::string_view::npos)
        authority.remove_prefix(nAt + 1);
    std::string_view host = authority;
    const std::size_t nColon = authority.rfind(':');
    if (nColon != std::string_view::npos && authority.find(']', nColon) == std::string_view::npos) {
        host = authority.substr(0, nColon);
        const std::string_view digits = authority.substr(nColon + 1);
        if (!digits.empty()
            && std::from_chars(digits.data(), digits.data() + digits.size(), nPort).ptr
                != digits.data() + digits.size())
            return std::string();
    }
    if (host.empty())
        return std::string();
    std::string strKey(host);
    std::transform(strKey.begin(), strKey.end(), strKey.begin(),
        [](char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; });
    return strKey + ":" + std::to_string(nPort);
}

void CHostGate::SetCeiling(int nPerHost)
{
    m_nCeiling = std::max(1, nPerHost);
    for (auto& [strHost, host] : m_hosts)
        StartOver(host);
}

bool CHostGate::MayStart(const std::string& strHost, Clock::time_point now) const
{
    if (strHost.empty())
        return true;
    auto it = m_hosts.find(strHost);
    if (it == m_hosts.end())
        return true;
    const SHost& host = it->second;
    if (now < host.pausedUntil || host.nInFlight >= host.nLimit)
        return false;
    return m_nPerSecond <= 0 || CountRecentStarts(host, now) < m_nPerSecond;
}

void CHostGate::OnStarted(const std::string& strHost, Clock::time_point now)
{
    if (strHost.empty())
        return;
    SHost& host = Find(strHost);
    ++host.nInFlight;
    if (m_nPerSecond <= 0)
        return;
    while (!host.starts.empty() && now - host.starts.front() >= RATE_WINDOW)
        host.starts.pop_front();
    host.starts.push_back(now);
}

void CHostGate::OnEnded(const std::string& strHost, int nStatusCode)
{
    if (strHost.empty())
        return;
    SHost& host = Find(strHost);
    host.nInFlight = std::max(0, host.nInFlight - 1);
    if (!m_bTuneByAnswers)
        return;
    if (IsThrottled(nStatusCode)) {
        host.nLimit = std::max(1, host.nLimit / 2);
        host.nGoodRun = 0;
        host.bGrowing = false;
    } else if (nStatusCode > 0 && ++host.nGoodRun >= RECOVERY_RUN) {
        host.nLimit = std::min(host.nCeiling, host.nLimit + 1);
        host.nGoodRun = 0;
    }
}

void CHostGate::Pause(const std::string& strHost, Clock::time_point until)
{
    if (strHost.empty())
        return;
    SHost& host = Find(strHost);
    host.pausedUntil = std::max(host.pausedUntil, until);
}

void CHostGate::OnOpened(const std::string& strHost, Clock::duration took)
{
    if (strHost.empty() || IsSlowOpen(strHost, took))
        return;
    SHost& host = Find(strHost);
    host.bOpened = true;
    host.longestOpen = std::max(host.longestOpen, took);
    if (host.bGrowing && ++host.nLimit >= host.nCeiling) {
        host.nLimit = host.nCeiling;
        host.bGrowing = false;
    }
}

bool CHostGate::IsSlowOpen(const std::string& strHost, Clock::duration waited) const
{
    auto it = m_hosts.find(strHost);
    if (it == m_hosts.end() || !it->second.bOpened)
        return false;
    return waited > std::max<Clock::duration>(SLOW_OPEN_FLOOR, SLOW_OPEN_FACTOR * it->second.longestOpen);
}

void CHostGate::OnSlowOpen(const std::string& strHost, Clock::time_point since, Clock::time_point now)
{
    if (strHost.empty())
        return;
    SHost& host = Find(strHost);
    if (since < host.lastBackOff)
        return;
    host.lastBackOff = now;
    host.nLimit = std::max(1, host.nLimit / 2);
    host.nCeiling = host.nLimit;
    host.bGrowing = false;
}

bool CHostGate::IsAtLimit(const std::string& strHost) const
{
    auto it = m_hosts.find(strHost);
    return it != m_hosts.end() && it->second.nInFlight >= it->second.nLimit;
}

bool CHostGate::WaitsOnlyForRoom(const std::string& strHost, Clock::time_point now) const
{
    auto it = m_hosts.find(strHost);
    if (it == m_hosts.end())
        return false;
    const SHost& host = it->second;
    return host.nInFlight >= host.nLimit && now >= host.pausedUntil
        && (m_nPerSecond <= 0 || CountRecentStarts(host, now) < m_nPerSecond);
}

int CHostGate::GetLimit(const std::string& strHost) const
{
    auto it = m_hosts.find(strHost);
    return it == m_hosts.end() ? m_nCeiling : it->second.nLimit;
}

CHostGate::SHost& CHostGate::Find(const std::string& strHost)
{
    auto [it, bNew] = m_hosts.try_emplace(strHost);
    if (bNew)
        StartOver(it->second);
    return it->second;
}

// What is known of the host's pace is forgotten; its requests in flight,
// its pause and its recent starts stay.
void CHostGate::StartOver(SHost& host) const
{
    host.nCeiling = m_nCeiling;
    host.nLimit = m_nFirstOpens > 0 ? std::min(m_nFirstOpens, m_nCeiling) : m_nCeiling;
    host.bGrowing = host.nLimit < host.nCeiling;
    host.nGoodRun = 0;
    host.bOpened = false;
    host.longestOpen = {};
    host.lastBackOff = {};
}

int CHostGate::CountRecentStarts(const SHost& host, Clock::time_point now) const
{
    // Starts are in time order: those within the window are the newest.
    const auto itFirst = std::find_if(
        host.starts.begin(), host.starts.end(), [now](Clock::time_point start) { return now - start < RATE_WINDOW; });
    return static_cast<int>(host.starts.end() - itFirst);
}
