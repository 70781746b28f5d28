#pragma once

#include "results/RowStyle.h"

#include <string>

enum class EVerdict;

/// The modern rules' rows: the path alone only for a link of the start
/// page's scheme, host and port (another port is another server), and the
/// Status cell of a link whose verdict is not ok marked: broken in red,
/// blocked and transient in amber, each with a standard icon.
class CModernRowStyle : public CRowStyle {
public:
    /// The start page whose scheme, host and port name the site.
    explicit CModernRowStyle(const CLink& startPage);

    QString GetLinkText(const CLink& link, const std::string& strSiteHost) const override;
    SRowMark GetMark(const CLink& link, const QPalette& palette) const override;

    /// The mark of a verdict in palette's colours; unmarked for ok and none.
    static SRowMark MarkOf(EVerdict eVerdict, const QPalette& palette);

private:
    // The marks of the last palette asked for: a row drawing then costs no
    // icon lookup and no colour arithmetic.
    mutable qint64 m_nPaletteKey = -1;
    mutable SRowMark m_broken;
    mutable SRowMark m_blocked;
    mutable SRowMark m_transient;
    std::string m_strScheme;
    std::string m_strHost;
    int m_nPort = 0;
};
