#pragma once

#include "report/RowPrinter.h"

/// Referrer, link, status code and status text, tab-separated, one row per
/// line.
class CTsvWriter : public CRowPrinter {
public:
    using CRowPrinter::CRowPrinter;

    void Write(std::ostream& out) const override;
};
