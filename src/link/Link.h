#pragma once

#include "link/LinkOccurrence.h"
#include "link/Verdict.h"

#include <string>
#include <vector>

constexpr int LINK_HTTP = 1;
constexpr int LINK_MAILTO = 3;
constexpr int LINK_UNSUPPORTED = -1;

/// One URL with its parts, its referrer and its check outcome.
/// Parses and resolves once, at construction; only the status changes later.
/// Never owns its referrer, which must outlive it.
class CLink {
public:
    CLink(const std::string& strURL, CLink* pReferrer);
    CLink(const CLink&) = delete;
    CLink& operator=(const CLink&) = delete;

    virtual ~CLink();
    virtual std::string GetHost() const;
    virtual std::string GetScheme() const;
    virtual std::string GetPath() const;
    virtual std::string GetFile() const;
    virtual std::string GetBasePath() const;
    virtual std::string GetPortText() const;
    virtual std::string GetFragment() const;
    virtual std::string GetRequestPath() const;
    virtual void SetURL(const std::string& strURL);
    virtual int GetPort() const;
    virtual void ParseURL(const std::string& strURL);
    virtual bool SetStatus(int nStatusCode, const std::string& strStatusText);
    virtual bool IsGood() const;
    virtual std::string GetStatusText() const;
    virtual int GetLinkType() const;
    virtual CLink* GetReferrer() const;
    virtual int GetStatusCode() const;
    virtual std::string GetURL() const;
    virtual std::string GetHostAndPath() const;
    /// The record's identity: scheme://host path file, without port or fragment.
    virtual std::string GetFullURL() const;
    virtual void ClassifyScheme();
    virtual std::string ResolveParentPath(const std::string& strPath);

    /// Examined and answered below 300.
    virtual bool HasGoodStatus() const;
    /// False until a check stored a status (a failed request stores 300).
    bool IsChecked() const;
    /// What a check concluded beyond the status; NONE for records whose
    /// mode gives no verdicts.
    virtual EVerdict GetVerdict() const { return EVerdict::NONE; }
    /// True when the outcome is an earlier crawl's, reused without a request.
    virtual bool IsCached() const { return false; }
    /// A failed request: status code 300 with the failure's message.
    void SetError(const char* pszMessage);
    /// The port requests go to: the one the URL's own authority names
    /// (1..65535), else the referrer's, else 0 for the scheme's default.
    int GetRequestPort() const;
    /// Notes one more place that names this link, after those noted so far.
    void AddOccurrence(const SLinkOccurrence& occurrence) { m_occurrences.push_back(occurrence); }
    /// Appends other's places to this record's, other's then empty: the
    /// record kept for a URL found again.
    void TakeOccurrences(CLink& other);
    /// Every place noted, in the order found; empty when none were noted.
    const std::vector<SLinkOccurrence>& GetOccurrences() const { return m_occurrences; }

protected:
    /// The status text as stored, before a good answer's shows as "OK".
    const std::string& GetStoredStatusText() const { return m_strStatusText; }

private:
    using Pos = std::ptrdiff_t; // 1-based positions, full width

    Pos ReadScheme(const std::string& strURL, Pos nPos, Pos nEnd);
    Pos ReadAuthority(const std::string& strURL, Pos nPos, Pos nEnd);
    void SplitPath(const std::string& strPathText);
    void ResolveFragmentOnly();
    void ResolveAgainstReferrer();

    std::string m_strURL;
    bool m_bGood = true;
    std::string m_strScheme;
    std::string m_strHost;
    int m_nPort = -1;
    std::string m_strFile;
    std::string m_strFragment;
    std::string m_strPath;
    int m_nStatusCode = -1;
    std::string m_strStatusText;
    int m_nLinkType = LINK_UNSUPPORTED;
    CLink* m_pReferrer = nullptr;
    // The port the URL's own authority names, -1 when it names no authority.
    int m_nNamedPort = -1;
    std::vector<SLinkOccurrence> m_occurrences;
};
