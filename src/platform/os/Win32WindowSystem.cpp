#include "platform/os/WindowSystem.h"

#include <windows.h>

namespace os {
namespace {

// Every top-level window of the desktop, visible or not, from the top of the
// z-order down: the first is what FindWindowW with neither class nor title
// answers, each next one what GetWindow with GW_HWNDNEXT answers.
class Win32WindowSystem final : public WindowSystem {
public:
    std::vector<TopLevelWindow> windowsInZOrder() override
    {
        std::vector<TopLevelWindow> result;
        for (HWND window = ::FindWindowW(nullptr, nullptr); window; window = ::GetWindow(window, GW_HWNDNEXT)) {
            // The title buffer holds 255 characters with the terminating
            // null, so at most 254 characters of a title are read.
            wchar_t title[255] = {};
            const int length = ::GetWindowTextW(window, title, 255);
            result.push_back({static_cast<quint64>(reinterpret_cast<quintptr>(window)),
                              QString::fromWCharArray(title, length > 0 ? length : 0)});
        }
        return result;
    }

    void setForeground(quint64 id) override
    {
        ::SetForegroundWindow(reinterpret_cast<HWND>(static_cast<quintptr>(id)));
    }
};

} // namespace

std::unique_ptr<WindowSystem> createPlatformWindowSystem()
{
    return std::make_unique<Win32WindowSystem>();
}

} // namespace os
