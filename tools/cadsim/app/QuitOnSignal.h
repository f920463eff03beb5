#pragma once

#include <QObject>

class QSocketNotifier;

namespace cadsim {

// Ends the event loop on SIGTERM and SIGINT, or on Windows on Ctrl+C and
// Ctrl+Break in the console that started the program, so that the program
// takes its normal way out: the running-object registration is revoked and
// the profile saved. Left alone, these end the process on the spot.
//
// POSIX: the handler only writes a byte to a socket pair; the event loop
// reads it. Windows: a console control handler queues a quit.
class QuitOnSignal : public QObject {
public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace cadsim
