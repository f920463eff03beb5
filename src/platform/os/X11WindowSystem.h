#pragma once

#include "platform/os/WindowSystem.h"

namespace os {

// Top-level windows of the X display named by DISPLAY. Each call opens its
// own connection: the list is asked for rarely, and a connection held for the
// life of the program would take the program down with a vanished X server.
// Without a display the list is empty and setForeground does nothing.
class X11WindowSystem final : public WindowSystem {
public:
    std::vector<TopLevelWindow> windowsInZOrder() override;
    void setForeground(quint64 id) override;
};

} // namespace os
