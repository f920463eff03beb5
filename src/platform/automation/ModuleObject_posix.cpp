#include "platform/automation/ModuleObject.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Utf8.h"

#include <dlfcn.h>

#include <mutex>

namespace automation {

DispatchRef createModuleObject(const std::string& path, std::u16string_view progId)
{
    const auto failure = [&](std::string_view what) {
        return AutomationError(hr::Co_E_ClassString, fromUtf8(what) + u": " + fromUtf8(path), fromUtf8(path));
    };
    // dlerror() is process-wide state; one load at a time reads its own.
    static std::mutex loading;
    const std::lock_guard lock(loading);
    // RTLD_LOCAL: the library's own copy of the automation code stays its
    // own, whatever this process has. Never closed, as COM keeps a server
    // that another module may still hold objects of.
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = ::dlerror();
        throw failure(reason ? reason : "cannot load the library");
    }
    const auto create = reinterpret_cast<ModuleCreate>(::dlsym(library, moduleCreateSymbol));
    const auto release = reinterpret_cast<ModuleRelease>(::dlsym(library, moduleReleaseSymbol));
    if (!create || !release)
        throw failure("the library serves no automation objects");
    const std::u16string name(progId);
    Dispatch* made = create(name.c_str());
    if (!made)
        throw failure("the library serves no class " + toUtf8(progId));
    return DispatchRef(made, release);
}

} // namespace automation
