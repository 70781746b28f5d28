#include "winsys/WaitCursor.h"

#include <QApplication>
#include <QCursor>

// The busy cursor (arrow with a spinner) rather than the hourglass: the window
// keeps answering during a crawl, and Stop must look clickable.
CWaitCursor::CWaitCursor()
{
    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
}

CWaitCursor::~CWaitCursor()
{
    QApplication::restoreOverrideCursor();
}
