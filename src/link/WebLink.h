#pragma once

#include "link/FragmentOutcome.h"
#include "link/Link.h"

#include <string>
#include <vector>

/// A link as a browser resolves it. Its identity, and what every front end
/// shows, is the normal form of its absolute URL, resolved before the record
/// is made; the host and path columns come from that text. The status text
/// is what the server or the network library said, also for a good answer.
class CWebLink : public CLink {
public:
    /// strNormalURL is the absolute URL in normal form. strOpenURL, when not
    /// empty, is what a page fetch opens instead (a local file's path as
    /// the user wrote it).
    CWebLink(const std::string& strNormalURL, CLink* pReferrer, const std::string& strOpenURL = std::string());

    CLink* GetReferrer() const override { return m_pWebReferrer; }
    std::string GetURL() const override;
    std::string GetFullURL() const override;
    std::string GetStatusText() const override;
    /// Web links of both schemes are checked alike.
    int GetLinkType() const override;

    /// The URL the check's answer came from, after redirects; empty before.
    const std::string& GetFinalURL() const { return m_strFinalURL; }
    void SetFinalURL(std::string strFinalURL) { m_strFinalURL = std::move(strFinalURL); }
    /// True when the check followed at least one redirect.
    bool IsRedirected() const { return m_bRedirected; }
    void SetRedirected(bool bRedirected) { m_bRedirected = bRedirected; }
    /// True when the check followed redirects and every hop was 301 or 308.
    bool IsPermanentRedirect() const { return m_bPermanent; }
    void SetPermanentRedirect(bool bPermanent) { m_bPermanent = bPermanent; }

    /// Once a check gave a verdict, ok is good and every other verdict is not.
    bool HasGoodStatus() const override;
    /// True for the row of a link with a #fragment: its normal form is the
    /// URL's and the fragment, which no other normal form holds.
    bool IsFragmentRow() const { return m_strNormalURL.find('#') != std::string::npos; }
    /// A fragment row's URL without the fragment: the row whose request it shares.
    std::string GetDocumentURL() const { return m_strNormalURL.substr(0, m_strNormalURL.find('#')); }
    /// A fragment row's fragment as its row names it; empty for other rows.
    std::string GetFragment() const override;
    /// What the fragment check found; NONE before it, and for other rows.
    EFragment GetFragmentOutcome() const { return m_eFragment; }
    /// Why an UNVERIFIABLE fragment could not be searched ("not HTML",
    /// "too large", "not read").
    const std::string& GetFragmentReason() const { return m_strFragmentReason; }
    /// The ids a MISSING fragment may have meant, closest first.
    const std::vector<std::string>& GetSuggestions() const { return m_suggestions; }
    void SetFragmentOutcome(
        EFragment eFragment, std::string strReason = std::string(), std::vector<std::string> suggestions = {});

    EVerdict GetVerdict() const override { return m_eVerdict; }
    void SetVerdict(EVerdict eVerdict) { m_eVerdict = eVerdict; }
    bool IsCached() const override { return m_bCached; }
    void SetCached(bool bCached) { m_bCached = bCached; }

private:
    // Kept here, not in the base record: the base would resolve the
    // absolute text against it again by its own rules.
    CLink* m_pWebReferrer = nullptr;
    std::string m_strNormalURL;
    std::string m_strOpenURL;
    std::string m_strFinalURL;
    bool m_bRedirected = false;
    bool m_bPermanent = false;
    EVerdict m_eVerdict = EVerdict::NONE;
    bool m_bCached = false;
    EFragment m_eFragment = EFragment::NONE;
    std::string m_strFragmentReason;
    std::vector<std::string> m_suggestions;
};
