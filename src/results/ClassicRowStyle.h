#pragma once

#include "results/RowStyle.h"

/// The default rules' rows: a link on the start host shows its path alone,
/// and no row is marked: the Status text says whether a link is good.
class CClassicRowStyle : public CRowStyle {
public:
    QString GetLinkText(const CLink& link, const std::string& strSiteHost) const override;
    SRowMark GetMark(const CLink& link, const QPalette& palette) const override;
};
