#include "core/termination_signals.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>

namespace zeltar {

namespace {

std::function<void()> terminationHandler;

BOOL WINAPI OnConsoleEvent(DWORD)
{
    // Called on a thread of its own: hand the work to the event loop.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { terminationHandler(); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

void OnTerminationSignals(std::function<void()> handler)
{
    terminationHandler = std::move(handler);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

} // namespace zeltar
