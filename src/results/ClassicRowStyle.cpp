#include "results/ClassicRowStyle.h"

#include "link/Link.h"
#include "winsys/WindowSystem.h"

QString CClassicRowStyle::GetLinkText(const CLink& link, const std::string& strSiteHost) const
{
    // Host names compare byte for byte, as the crawler's site test does.
    if (link.GetHost() == strSiteHost)
        return CWindowSystem::ToQString(link.GetRequestPath());
    return CWindowSystem::ToQString(link.GetHostAndPath());
}

SRowMark CClassicRowStyle::GetMark(const CLink& link, const QPalette& palette) const
{
    (void)link;
    (void)palette;
    return SRowMark();
}
