#include "ui/WindowSettings.h"

#include "cli/CliOptions.h"
#include "cli/ParseCliOptions.h"
#include "net/TransferOptions.h"
#include "winsys/WindowSystem.h"

#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <sstream>

namespace {

const QString GROUP = QStringLiteral("Modern");

QStringList ToStringList(const std::vector<std::string>& values)
{
    QStringList list;
    for (const std::string& strValue : values)
        list << CWindowSystem::ToQString(strValue);
    return list;
}

std::vector<std::string> FromStringList(const QStringList& list)
{
    std::vector<std::string> values;
    for (const QString& strValue : list)
        values.push_back(CWindowSystem::FromQString(strValue));
    return values;
}

bool Names(const std::vector<std::string>& given, const char* pszKey)
{
    return std::find(given.begin(), given.end(), pszKey) != given.end();
}

// One code from 100 to 599; false for anything else.
bool ParseCode(const std::string& strText, int& nCode)
{
    if (strText.empty() || strText.size() > 3 || strText.find_first_not_of("0123456789") != std::string::npos)
        return false;
    nCode = std::stoi(strText);
    return nCode >= 100 && nCode <= 599;
}

} // namespace

CWindowSettings::CWindowSettings()
    : m_nPerHost(CCrawler::DEFAULT_PER_HOST)
    , m_nRetries(SCheckPolicy::DEFAULT_RETRIES)
    , m_nMaxRetryWait(SCheckPolicy::DEFAULT_MAX_RETRY_WAIT)
{
}

CWindowSettings CWindowSettings::Load()
{
    CWindowSettings settings;
    QSettings stored;
    stored.beginGroup(GROUP);
    settings.m_nPerHost = stored.value("per-host", settings.m_nPerHost).toInt();
    settings.m_nRate = stored.value("rate", settings.m_nRate).toInt();
    settings.m_nRetries = stored.value("retries", settings.m_nRetries).toInt();
    settings.m_nMaxRetryWait = stored.value("max-retry-wait", settings.m_nMaxRetryWait).toInt();
    settings.m_bNoRobots = stored.value("no-robots", false).toBool();
    settings.m_strUserAgent = CWindowSystem::FromQString(stored.value("user-agent").toString());
    settings.m_includes = FromStringList(stored.value("include").toStringList());
    settings.m_excludes = FromStringList(stored.value("exclude").toStringList());
    settings.m_strAccept = CWindowSystem::FromQString(stored.value("accept").toString());
    settings.m_strCache = CWindowSystem::FromQString(stored.value("cache").toString());
    settings.m_strCacheAge = CWindowSystem::FromQString(stored.value("cache-age", QStringLiteral("1d")).toString());
    settings.m_bNetrc = stored.value("netrc", false).toBool();
    return settings;
}

void CWindowSettings::Save() const
{
    QSettings stored;
    stored.beginGroup(GROUP);
    stored.setValue("per-host", m_nPerHost);
    stored.setValue("rate", m_nRate);
    stored.setValue("retries", m_nRetries);
    stored.setValue("max-retry-wait", m_nMaxRetryWait);
    stored.setValue("no-robots", m_bNoRobots);
    stored.setValue("user-agent", CWindowSystem::ToQString(m_strUserAgent));
    stored.setValue("include", ToStringList(m_includes));
    stored.setValue("exclude", ToStringList(m_excludes));
    stored.setValue("accept", CWindowSystem::ToQString(m_strAccept));
    stored.setValue("cache", CWindowSystem::ToQString(m_strCache));
    stored.setValue("cache-age", CWindowSystem::ToQString(m_strCacheAge));
    stored.setValue("netrc", m_bNetrc);
}

std::vector<std::string> CWindowSettings::MakeArguments() const
{
    std::vector<std::string> arguments = {"--per-host", std::to_string(m_nPerHost), "--retries",
        std::to_string(m_nRetries), "--max-retry-wait", std::to_string(m_nMaxRetryWait)};
    // 0 is the window's "no bound", which the command line says by leaving
    // the option out.
    if (m_nRate != 0)
        arguments.insert(arguments.end(), {"--rate", std::to_string(m_nRate)});
    if (m_bNoRobots)
        arguments.push_back("--no-robots");
    if (!m_strUserAgent.empty())
        arguments.insert(arguments.end(), {"--user-agent", m_strUserAgent});
    for (const std::string& strPattern : m_includes)
        arguments.insert(arguments.end(), {"--include", strPattern});
    for (const std::string& strPattern : m_excludes)
        arguments.insert(arguments.end(), {"--exclude", strPattern});
    if (!m_strCache.empty())
        arguments.insert(arguments.end(), {"--cache", m_strCache});
    arguments.insert(arguments.end(), {"--cache-age", m_strCacheAge});
    if (m_bNetrc)
        arguments.push_back("--netrc");
    return arguments;
}

void CWindowSettings::TakeFrom(const CCliOptions& options, const std::vector<std::string>& given)
{
    if (Names(given, "per-host"))
        m_nPerHost = options.nPerHost;
    if (Names(given, "rate"))
        m_nRate = options.nRate;
    if (Names(given, "retries"))
        m_nRetries = options.policy.nRetries;
    if (Names(given, "max-retry-wait"))
        m_nMaxRetryWait = options.policy.nMaxRetryWait;
    if (Names(given, "no-robots"))
        m_bNoRobots = options.bNoRobots;
    if (Names(given, "user-agent"))
        m_strUserAgent = options.strUserAgent;
    if (Names(given, "include"))
        m_includes = options.includes;
    if (Names(given, "exclude"))
        m_excludes = options.excludes;
    if (Names(given, "cache"))
        m_strCache = options.strCache;
    if (Names(given, "cache-age"))
        m_strCacheAge = options.strCacheAge;
    if (Names(given, "netrc")) {
        STransferOptions transfer;
        options.request.Apply(transfer, std::string());
        m_bNetrc = transfer.bNetrc;
    }
}

std::optional<std::string> CWindowSettings::CheckAccept(const std::string& strCodes)
{
    if (strCodes.empty())
        return std::nullopt;
    std::istringstream items(strCodes);
    std::string strItem;
    while (std::getline(items, strItem, ',')) {
        strItem.erase(0, strItem.find_first_not_of(' '));
        strItem.erase(strItem.find_last_not_of(' ') + 1);
        const std::size_t nDash = strItem.find('-');
        int nFirst = 0;
        int nLast = 0;
        const bool bGood = nDash == std::string::npos ? ParseCode(strItem, nFirst)
                                                      : ParseCode(strItem.substr(0, nDash), nFirst)
                && ParseCode(strItem.substr(nDash + 1), nLast) && nFirst <= nLast;
        if (!bGood)
            return "\"" + strItem + "\" is not a status code from 100 to 599 or a range of them such as 200-299";
    }
    if (strCodes.back() == ',')
        return std::string("a comma ends the list: give a code after it or remove it");
    return std::nullopt;
}

std::optional<std::string> CWindowSettings::Read(
    const std::string& strPath, CCliOptions& options, std::vector<std::string>& given)
{
    return ReadSettingsFile(strPath, options, given);
}
