#include "modern/ChangeFilter.h"

#include "link/Link.h"
#include "modern/FileLinkChecker.h"

#include <filesystem>
#include <system_error>

namespace {

std::string Normal(const std::string& strPath)
{
    std::string strNormal = std::filesystem::path(strPath).lexically_normal().string();
    while (strNormal.size() > 1 && strNormal.back() == '/')
        strNormal.pop_back();
    return strNormal;
}

} // namespace

void CChangeFilter::SetChanges(const std::vector<std::string>& folders, const std::vector<std::string>& paths)
{
    m_bActive = true;
    for (const std::string& strPath : paths) {
        std::vector<std::string> candidates;
        bool bExists = false;
        for (const std::string& strFolder : folders) {
            candidates.push_back(Normal(strFolder + "/" + strPath));
            std::error_code error;
            bExists = bExists || std::filesystem::exists(candidates.back(), error);
        }
        for (std::string& strCandidate : candidates) {
            if (!bExists)
                m_removed.insert(strCandidate);
            m_changed.insert(std::move(strCandidate));
        }
    }
}

bool CChangeFilter::IsChangedPage(const CLink& page) const
{
    return m_bActive && CFileLinkChecker::IsLocal(page)
        && m_changed.contains(Normal(CFileLinkChecker::GetLocalPath(page)));
}

bool CChangeFilter::IsListed(const CLink& link) const
{
    // A fragment that no changed page still has is listed as well, once
    // links carry their fragment targets: that test belongs here.
    return IsNamed(link.GetFullURL()) || IsRemovedTarget(link);
}

bool CChangeFilter::IsRemovedTarget(const CLink& link) const
{
    if (m_removed.empty() || !CFileLinkChecker::IsLocal(link))
        return false;
    const std::string strPath = CFileLinkChecker::GetLocalPath(link);
    if (strPath.empty())
        return false;
    // The files a static host would answer the link with.
    const std::string strNormal = Normal(strPath);
    return m_removed.contains(strNormal) || m_removed.contains(strNormal + ".html")
        || m_removed.contains(strNormal + "/index.html");
}
