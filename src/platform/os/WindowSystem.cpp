#include "platform/os/WindowSystem.h"

#include "platform/hooks/ProcessHook.h"

#include <utility>

namespace os {
namespace {

hooks::ProcessHook<std::unique_ptr<WindowSystem>>& hook()
{
    static hooks::ProcessHook<std::unique_ptr<WindowSystem>> installed;
    return installed;
}

} // namespace

WindowSystem& windowSystem()
{
    if (const std::unique_ptr<WindowSystem>& installed = hook().current())
        return *installed;
    // Made on first use: a program that never looks at windows never opens
    // the display.
    static const std::unique_ptr<WindowSystem> platform = createPlatformWindowSystem();
    return *platform;
}

std::unique_ptr<WindowSystem> setWindowSystem(std::unique_ptr<WindowSystem> system)
{
    return hook().install(std::move(system));
}

} // namespace os
