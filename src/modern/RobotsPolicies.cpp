#include "modern/RobotsPolicies.h"

#include "net/WebUrl.h"

void CRobotsPolicies::AddOrigin(const std::string& strNormalURL)
{
    const CWebUrl url = CWebUrl::Parse(strNormalURL);
    if (!url.IsWebLink()
        || !m_origins.insert(url.GetScheme() + "://" + url.GetHost() + ":" + std::to_string(url.GetPort())).second)
        return;
    m_policies.push_back(std::make_unique<CRobotsPolicy>());
    m_policies.back()->SetOrigin(strNormalURL);
}

bool CRobotsPolicies::MayFetch(const CLink& page, CInternetSession* pSession)
{
    // Each file speaks for its own origin and allows every other page.
    for (const std::unique_ptr<CRobotsPolicy>& pPolicy : m_policies)
        if (!pPolicy->MayFetch(page, pSession))
            return false;
    return true;
}

std::size_t CRobotsPolicies::GetRefusedCount() const
{
    std::size_t nRefused = 0;
    for (const std::unique_ptr<CRobotsPolicy>& pPolicy : m_policies)
        nRefused += pPolicy->GetRefusedCount();
    return nRefused;
}

std::string CRobotsPolicies::GetFailure() const
{
    for (const std::unique_ptr<CRobotsPolicy>& pPolicy : m_policies)
        if (!pPolicy->GetFailure().empty())
            return pPolicy->GetFailure();
    return std::string();
}
