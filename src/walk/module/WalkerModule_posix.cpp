// The walker's entry points for a host without COM (the CAD simulator on
// Linux): one class, made and freed here. Nothing leaves them but their answer.
#include "platform/automation/ModuleObject.h"
#include "walk/WalkerIdentity.h"
#include "walk/WalkerObject.h"

#include <new>
#include <string_view>
#include <type_traits>

extern "C" {

__attribute__((visibility("default"))) automation::Dispatch* VedorisCreateObject(const char16_t* progId)
{
    if (!progId || std::u16string_view(progId) != walk::walkerProgId)
        return nullptr;
    return new (std::nothrow) walk::WalkerObject();
}

__attribute__((visibility("default"))) void VedorisReleaseObject(automation::Dispatch* object)
{
    delete object;
}

} // extern "C"

// The entry points match what the host expects of them.
static_assert(std::is_same_v<decltype(&VedorisCreateObject), automation::ModuleCreate>);
static_assert(std::is_same_v<decltype(&VedorisReleaseObject), automation::ModuleRelease>);
