#include "cadsim/app/QuitOnSignal.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>

namespace cadsim {

namespace {

// Runs on a thread of the console's own; the event loop is told through a
// queued call, which is safe from any thread.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, &QCoreApplication::quit, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

QuitOnSignal::QuitOnSignal(QObject* parent) : QObject(parent) { ::SetConsoleCtrlHandler(onConsoleEvent, TRUE); }

QuitOnSignal::~QuitOnSignal() { ::SetConsoleCtrlHandler(onConsoleEvent, FALSE); }

} // namespace cadsim
