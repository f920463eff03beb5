#pragma once

#include <utility>

namespace messages {

// One process-wide hook through which the lower layers reach the program (the
// message service, the progress display, a control's failure handler and its
// delete question): whatever the program or a test installed, else the
// default. Installing answers the hook it replaced, for its owner to put back;
// installing an empty hook brings the default back.
template <class Hook>
class ProcessHook {
public:
    explicit ProcessHook(Hook fallback) : m_fallback(std::move(fallback)), m_current(m_fallback) {}

    Hook install(Hook hook)
    {
        Hook previous = std::move(m_current);
        m_current = hook ? std::move(hook) : m_fallback;
        return previous;
    }

    const Hook& current() const { return m_current; }

private:
    Hook m_fallback;
    Hook m_current;
};

} // namespace messages
