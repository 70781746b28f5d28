#include "report/TsvWriter.h"

#include "link/Link.h"

void CTsvWriter::Write(std::ostream& out) const
{
    for (const CLink* pLink : m_rows) {
        out << CleanTsvField(ReferrerText(*pLink)) << '\t' << CleanTsvField(pLink->GetFullURL()) << '\t'
            << pLink->GetStatusCode() << '\t' << CleanTsvField(pLink->GetStatusText()) << '\n';
    }
}
