#include "platform/os/WindowSystem.h"

#include <utility>

namespace os {
namespace {

std::unique_ptr<WindowSystem>& current()
{
    static std::unique_ptr<WindowSystem> system;
    return system;
}

} // namespace

WindowSystem& windowSystem()
{
    auto& system = current();
    if (!system)
        system = createPlatformWindowSystem();
    return *system;
}

std::unique_ptr<WindowSystem> setWindowSystem(std::unique_ptr<WindowSystem> system)
{
    return std::exchange(current(), std::move(system));
}

} // namespace os
