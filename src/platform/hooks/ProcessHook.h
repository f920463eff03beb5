#pragma once

#include <type_traits>
#include <utility>

// Header-only, and free of Qt and of every other layer, so that each library
// that offers a hook (automation, os, messages, dbwidgets, cad) takes it
// without depending on any other.
namespace hooks {

// One process-wide hook through which the lower layers reach the program or
// the platform (the message service, the progress display, the busy wait,
// the object backend, the window system, the desktop opener, the CAD
// environment, the grid's and navigator's delete question): whatever the
// program or a test installed, else the default. Installing answers the hook
// it replaced, for its owner to put back.
//
// A hook that can be empty (a function, a pointer) falls back to the default
// when an empty one is installed. A hook that owns what it points to (a
// std::unique_ptr) has no default of its own: it is empty until one is
// installed, and its user decides what empty means.
template <class Hook>
class ProcessHook {
public:
    ProcessHook()
        requires(!std::is_copy_constructible_v<Hook>)
    = default;
    explicit ProcessHook(Hook fallback)
        requires std::is_copy_constructible_v<Hook>
        : m_fallback(fallback), m_current(std::move(fallback))
    {
    }

    Hook install(Hook hook)
    {
        Hook previous = std::exchange(m_current, std::move(hook));
        if constexpr (std::is_copy_constructible_v<Hook> && std::is_constructible_v<bool, const Hook&>) {
            if (!m_current)
                m_current = m_fallback;
        }
        return previous;
    }

    const Hook& current() const { return m_current; }

private:
    Hook m_fallback{};
    Hook m_current{};
};

} // namespace hooks
