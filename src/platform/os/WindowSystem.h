#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

namespace os {

// One top-level window of the desktop: an identifier that setForeground
// understands (an X11 window id or an HWND) and its title.
struct TopLevelWindow {
    quint64 id = 0;
    QString title;
};

// The desktop's top-level windows and the means to bring one forward.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // Topmost first. Empty when there is no desktop to ask.
    virtual std::vector<TopLevelWindow> windowsInZOrder() = 0;
    // Raises the window and gives it the input focus; failures are ignored.
    virtual void setForeground(quint64 id) = 0;
};

// The window system of the process: the platform's own unless a test has
// installed another.
WindowSystem& windowSystem();

// Installs `system` for the whole process and returns the one it replaces
// (nullptr when that was the platform's own). nullptr brings the platform's
// own back.
std::unique_ptr<WindowSystem> setWindowSystem(std::unique_ptr<WindowSystem> system);

// The platform's own window system (X11 on Linux, Win32 on Windows).
std::unique_ptr<WindowSystem> createPlatformWindowSystem();

} // namespace os
