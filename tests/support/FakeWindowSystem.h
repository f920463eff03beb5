#pragma once

#include "platform/os/WindowSystem.h"

#include <QList>

// A desktop whose window list the test writes; it is installed for as long
// as it lives and remembers which windows were brought forward.
class FakeWindowSystem final : public os::WindowSystem {
public:
    struct Installed {
        Installed() : previous(os::setWindowSystem(std::make_unique<FakeWindowSystem>())) {}
        ~Installed() { os::setWindowSystem(std::move(previous)); }
        FakeWindowSystem& fake() { return static_cast<FakeWindowSystem&>(os::windowSystem()); }
        std::unique_ptr<os::WindowSystem> previous;
    };

    std::vector<os::TopLevelWindow> windowsInZOrder() override { return windows; }
    void setForeground(quint64 id) override { foreground << id; }

    std::vector<os::TopLevelWindow> windows;
    QList<quint64> foreground;
};
