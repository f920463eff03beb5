#pragma once

#include <QObject>

namespace app {

// While one lives, the program handles the window system's events so that its
// windows stay drawn during a long command, but no input of the user's
// reaches it: clicks, keys, the wheel and the close box are dropped, not
// queued for later. The command that runs meanwhile is the only one; a
// command asked for while input is blocked does not start (see runCommand).
class InputBlocker final : public QObject {
    Q_OBJECT
public:
    InputBlocker();
    ~InputBlocker() override;

    static bool isActive();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace app
