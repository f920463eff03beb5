#pragma once

#include <memory>
#include <utility>

// A process-wide hook (a hooks::ProcessHook behind its setter) installed
// for as long as this lives: the setter installs it and answers the one it
// replaced, which comes back when this goes (messages::setService,
// progress::setDisplay, automation::setBusyWait, automation::setObjectBackend).
// The session installs its hooks this way; the classes and running objects
// it offers come back the same way through the automation::Registration
// their registering answers.
template <class Hook>
class Installed {
public:
    using Setter = Hook (*)(Hook);

    Installed(Setter set, Hook hook) : m_set(set), m_previous(set(std::move(hook))) {}
    ~Installed() { m_set(std::move(m_previous)); }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;

private:
    Setter m_set;
    Hook m_previous;
};

// One of the program's process-wide instances, reached by its name (WMain,
// SpecData, WSumTruba, WAbout) while this owns it; the name is cleared before
// the instance goes.
template <class T>
class Instance {
public:
    Instance(T*& name, std::unique_ptr<T> object) : m_name(name), m_object(std::move(object)) { m_name = m_object.get(); }
    ~Instance()
    {
        m_name = nullptr;
        m_object.reset();
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    T& operator*() const { return *m_object; }
    T* operator->() const { return m_object.get(); }

private:
    T*& m_name;
    std::unique_ptr<T> m_object;
};
