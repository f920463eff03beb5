#pragma once

#include <QApplication>

namespace app {

// The application object. Its one addition is a last line of defence: an
// exception that a widget's own event handler let through ends at the
// top-level handler here instead of unwinding through the event loop.
class VedorisApplication final : public QApplication {
    Q_OBJECT
public:
    VedorisApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace app
