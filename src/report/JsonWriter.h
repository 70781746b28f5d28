#pragma once

#include "report/RowPrinter.h"

/// One JSON document: the rows (referrer, null when none; link; status
/// code, -1 when not checked; status text) and the summary. Bytes that are
/// not UTF-8 are written as U+FFFD, so the document is always valid.
class CJsonWriter : public CRowPrinter {
public:
    using CRowPrinter::CRowPrinter;

    void Write(std::ostream& out) const override;
};
