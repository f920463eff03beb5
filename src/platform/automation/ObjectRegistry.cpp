#include "platform/automation/ObjectRegistry.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/hooks/ProcessHook.h"

#include <list>
#include <mutex>

namespace automation {

namespace {

// ProgIDs are registry key names, which Windows compares without case, as
// IDispatch compares member names.
bool sameProgId(std::u16string_view a, std::u16string_view b) { return sameMemberName(a, b); }

struct RunningEntry {
    uint64_t id;
    std::u16string progId;
    DispatchRef object;
};

struct ClassEntry {
    uint64_t id;
    std::u16string progId;
    ClassFactory factory;
};

struct Registry {
    std::mutex mutex;
    uint64_t nextId = 1;
    std::list<RunningEntry> running;
    std::list<ClassEntry> classes;
    std::list<ClassEntry> fallbacks;
    hooks::ProcessHook<std::unique_ptr<ObjectBackend>> backend; // guarded by the mutex too
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

template <typename Entry>
void eraseById(std::list<Entry>& entries, uint64_t id)
{
    entries.remove_if([id](const Entry& e) { return e.id == id; });
}

} // namespace

std::unique_ptr<ObjectBackend> setObjectBackend(std::unique_ptr<ObjectBackend> backend)
{
    std::lock_guard lock(registry().mutex);
    return registry().backend.install(std::move(backend));
}

Registration& Registration::operator=(Registration&& other) noexcept
{
    if (this != &other) {
        revoke();
        m_revoke = std::exchange(other.m_revoke, {});
    }
    return *this;
}

void Registration::revoke()
{
    if (auto revoke = std::exchange(m_revoke, {}))
        revoke();
}

Registration registerActiveObject(std::u16string_view progId, DispatchRef object)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const uint64_t id = r.nextId++;
    r.running.push_front({id, std::u16string(progId), std::move(object)});
    return Registration([id] {
        DispatchRef released; // dropped after the lock: a destructor may call back in
        {
            std::lock_guard lock(registry().mutex);
            auto& list = registry().running;
            for (auto it = list.begin(); it != list.end(); ++it)
                if (it->id == id) {
                    released = std::move(it->object);
                    list.erase(it);
                    break;
                }
        }
    });
}

namespace {

Registration addClass(std::list<ClassEntry> Registry::*list, std::u16string_view progId, ClassFactory factory)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const uint64_t id = r.nextId++;
    (r.*list).push_front({id, std::u16string(progId), std::move(factory)});
    return Registration([list, id] {
        std::lock_guard lock(registry().mutex);
        eraseById(registry().*list, id);
    });
}

ClassFactory findClass(const std::list<ClassEntry>& entries, std::u16string_view progId)
{
    for (const ClassEntry& e : entries)
        if (sameProgId(e.progId, progId))
            return e.factory;
    return {};
}

DispatchRef make(const ClassFactory& factory)
{
    if (DispatchRef object = factory())
        return object;
    throw AutomationError(hr::E_Fail, u"The class could not create an object");
}

} // namespace

Registration registerClass(std::u16string_view progId, ClassFactory factory)
{
    return addClass(&Registry::classes, progId, std::move(factory));
}

Registration registerFallbackClass(std::u16string_view progId, ClassFactory factory)
{
    return addClass(&Registry::fallbacks, progId, std::move(factory));
}

DispatchRef activeObject(std::u16string_view progId)
{
    ObjectBackend* backend = nullptr;
    {
        std::lock_guard lock(registry().mutex);
        for (const RunningEntry& e : registry().running)
            if (sameProgId(e.progId, progId))
                return e.object;
        backend = registry().backend.current().get();
    }
    if (backend)
        if (DispatchRef object = backend->activeObject(progId))
            return object;
    throw AutomationError(hr::Mk_E_Unavailable, {});
}

DispatchRef createObject(std::u16string_view progId)
{
    ClassFactory factory;
    ClassFactory fallback;
    ObjectBackend* backend = nullptr;
    {
        std::lock_guard lock(registry().mutex);
        factory = findClass(registry().classes, progId);
        fallback = findClass(registry().fallbacks, progId);
        backend = registry().backend.current().get();
    }
    // The factories run outside the lock: they may register objects themselves.
    if (factory)
        return make(factory);
    if (backend)
        if (DispatchRef object = backend->createObject(progId))
            return object;
    if (fallback)
        return make(fallback);
    throw AutomationError(hr::Co_E_ClassString, {});
}

} // namespace automation
