#pragma once

#include <QApplication>

// The application object. Its one addition is a last-resort backstop: every
// handler of the program already runs through messages::runEntryPoint, which
// lets no exception out; should a handler ever be added without it (or Qt's
// own code throw, std::bad_alloc say), the exception ends here, at the same
// failure reporter, instead of unwinding through the event loop.
class VedorisApplication final : public QApplication {
    Q_OBJECT
public:
    VedorisApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
