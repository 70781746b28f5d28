#include "report/ReportFormat.h"

CReportFormat::CReportFormat(const CLinkArray& links, const CCrawlSummary& summary)
    : m_links(links)
    , m_summary(summary)
{
}
