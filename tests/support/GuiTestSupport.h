#pragma once

#include <QWidget>

#include <functional>

#include <QTimer>

/// Runs events until pred holds or nTimeoutMs passed; returns pred's value.
bool WaitFor(const std::function<bool()>& pred, int nTimeoutMs = 10000);

/// Calls fnTick at every pass of the event loop (also inside a crawl's pump
/// and inside modal loops) until it returns true or nTimeoutMs passed. The
/// timer belongs to pOwner, so it never outlives what fnTick looks at.
QTimer* RepeatUntil(QObject* pOwner, std::function<bool()> fnTick, int nTimeoutMs = 20000);

/// Waits for the next modal window or popup menu and hands it to fnHandle
/// once; the handler must close it.
QTimer* HandleNextModal(QObject* pOwner, std::function<void(QWidget*)> fnHandle, int nTimeoutMs = 10000);
