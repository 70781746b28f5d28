#pragma once

#include <string>
#include <unordered_set>
#include <vector>

class CLink;

/// Which links a run that covers only a change checks and lists: those
/// named on a changed page, and every local link whose target is a changed
/// path that no longer exists. Every page is still read; the rules note the
/// links each changed page names as it is read.
class CChangeFilter {
public:
    /// For a run still to come: the changed paths, each relative to every
    /// one of folders (absolute); a path that exists under none of them is
    /// one the change removed.
    void SetChanges(const std::vector<std::string>& folders, const std::vector<std::string>& paths);
    /// True once changes are set: the run covers only them.
    bool IsActive() const { return m_bActive; }

    /// True when page is read from a changed file.
    bool IsChangedPage(const CLink& page) const;
    /// Notes a link a changed page names; true the first time.
    bool NoteNamed(const std::string& strFullURL) { return m_named.insert(strFullURL).second; }
    /// True when a changed page named the link.
    bool IsNamed(const std::string& strFullURL) const { return m_named.contains(strFullURL); }
    /// True when the link is listed: named on a changed page, or a local
    /// link to a removed path.
    bool IsListed(const CLink& link) const;

private:
    bool IsRemovedTarget(const CLink& link) const;

    bool m_bActive = false;
    std::unordered_set<std::string> m_changed;
    std::unordered_set<std::string> m_removed;
    std::unordered_set<std::string> m_named;
};
