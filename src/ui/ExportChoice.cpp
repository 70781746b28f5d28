#include "ui/ExportChoice.h"

#include "report/JUnitWriter.h"
#include "report/JsonWriter.h"
#include "report/MarkdownWriter.h"
#include "report/ReportWriter.h"
#include "report/SarifWriter.h"
#include "report/TsvWriter.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString HTML = QStringLiteral("HTML report (*.html *.htm)");
const QString JSON = QStringLiteral("JSON (*.json)");
const QString SARIF = QStringLiteral("SARIF (*.sarif)");
const QString JUNIT = QStringLiteral("JUnit (*.xml)");
const QString MARKDOWN = QStringLiteral("Markdown (*.md)");
const QString TSV = QStringLiteral("TSV (*.tsv)");

} // namespace

QStringList CExportChoice::GetFilters()
{
    return {HTML, JSON, SARIF, JUNIT, MARKDOWN, TSV};
}

std::unique_ptr<CReportFormat> CExportChoice::MakeFormat(
    const QString& strFilter, const CLinkArray& links, const CCrawlSummary& summary)
{
    // Every row, as the HTML report has them: the list's filter is a view.
    if (strFilter == JSON)
        return std::make_unique<CJsonWriter>(links, summary, false);
    if (strFilter == SARIF)
        return std::make_unique<CSarifWriter>(links, summary);
    if (strFilter == JUNIT)
        return std::make_unique<CJUnitWriter>(links, summary);
    if (strFilter == MARKDOWN)
        return std::make_unique<CMarkdownWriter>(links, summary);
    if (strFilter == TSV)
        return std::make_unique<CTsvWriter>(links, summary, false);
    return std::make_unique<CReportWriter>(links, summary);
}

QString CExportChoice::WithExtension(const QString& strPath, const QString& strFilter)
{
    if (!QFileInfo(strPath).suffix().isEmpty())
        return strPath;
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("\\*(\\.[A-Za-z]+)")).match(strFilter);
    return match.hasMatch() ? strPath + match.captured(1) : strPath;
}
