#pragma once

#include "report/FindingFormat.h"

/// SARIF 2.1.0: one run whose tool names every rule of the crawl's mode,
/// and one result per place a bad link was found. Bytes that are not UTF-8
/// are written as U+FFFD, so the document is always valid.
class CSarifWriter : public CFindingFormat {
public:
    using CFindingFormat::CFindingFormat;

    void Write(std::ostream& out) const override;

    /// str percent-encoded so that it is a valid relative URI reference,
    /// its slashes kept.
    static std::string EncodePath(const std::string& str);
};
