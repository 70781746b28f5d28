#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class CCrawlSummary;
class CLinkArray;
class CReportFormat;

/// File > Export... in the modern mode: the HTML report and the command
/// line's formats, one file-dialog filter each; the chosen filter decides
/// the writer.
class CExportChoice {
public:
    /// The filters, the HTML report's first.
    static QStringList GetFilters();
    /// The writer the filter names over links; the HTML report's for a
    /// filter it does not know.
    static std::unique_ptr<CReportFormat> MakeFormat(
        const QString& strFilter, const CLinkArray& links, const CCrawlSummary& summary);
    /// strPath with the filter's first extension when its name has none.
    static QString WithExtension(const QString& strPath, const QString& strFilter);
};
