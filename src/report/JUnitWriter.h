#pragma once

#include "report/FindingFormat.h"

/// JUnit XML: one test suite with a test case per link (named after the
/// link, its class the first page naming it) and a failure for each link
/// without a good status.
class CJUnitWriter : public CFindingFormat {
public:
    using CFindingFormat::CFindingFormat;

    void Write(std::ostream& out) const override;

    /// str as XML character data or attribute value: markup characters as
    /// references, control characters as spaces, bytes that are not UTF-8
    /// as U+FFFD, so the document stays well-formed whatever a server sent.
    static std::string Escape(const std::string& str);
};
