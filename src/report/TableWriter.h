#pragma once

#include "report/RowPrinter.h"

/// The window's three columns, aligned, under a heading, and a last line
/// that counts the rows listed and the links found.
class CTableWriter : public CRowPrinter {
public:
    using CRowPrinter::CRowPrinter;

    void Write(std::ostream& out) const override;
};
