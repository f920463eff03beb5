#pragma once

#include <QObject>

class QSocketNotifier;

namespace cadsim {

// Ends the event loop on SIGTERM and SIGINT (Ctrl+C in the terminal that
// started the program), so that the program takes its normal way out: the
// running-object registration is revoked and the profile saved. Qt leaves
// these signals to the default action, which ends the process on the spot.
//
// The handler only writes a byte to a socket pair; the event loop reads it.
class QuitOnSignal : public QObject {
public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace cadsim
