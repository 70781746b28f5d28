#include "support/GuiTestSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>

bool WaitFor(const std::function<bool()>& pred, int nTimeoutMs)
{
    QDeadlineTimer deadline(nTimeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

QTimer* RepeatUntil(QObject* pOwner, std::function<bool()> fnTick, int nTimeoutMs)
{
    auto* pTimer = new QTimer(pOwner);
    auto deadline = std::make_shared<QDeadlineTimer>(nTimeoutMs);
    QObject::connect(pTimer, &QTimer::timeout, pTimer, [pTimer, fnTick, deadline] {
        if (fnTick() || deadline->hasExpired()) {
            pTimer->stop();
            pTimer->deleteLater();
        }
    });
    // Interval 0: a tick at every pass of the event loop, also every pump.
    pTimer->start(0);
    return pTimer;
}

QTimer* HandleNextModal(QObject* pOwner, std::function<void(QWidget*)> fnHandle, int nTimeoutMs)
{
    return RepeatUntil(
        pOwner,
        [fnHandle] {
            QWidget* pModal = QApplication::activePopupWidget();
            if (!pModal)
                pModal = QApplication::activeModalWidget();
            if (!pModal || !pModal->isVisible())
                return false;
            fnHandle(pModal);
            return true;
        },
        nTimeoutMs);
}
