#pragma once

#include "results/RowMark.h"

#include <QString>

#include <string>

class CLink;
class QPalette;

/// What a set of rules decides of a row's look: how the Link column names a
/// link, and whether its Status cell is marked. The dialog hands the list
/// one per crawl.
class CRowStyle {
public:
    virtual ~CRowStyle() = default;
    /// The Link column's text: the path alone for a link on the start
    /// page's site (strSiteHost is the start link's host), else host and path.
    virtual QString GetLinkText(const CLink& link, const std::string& strSiteHost) const = 0;
    /// The Status cell's mark for the link, in colours of palette.
    virtual SRowMark GetMark(const CLink& link, const QPalette& palette) const = 0;
};
