#pragma once

#include "platform/automation/Dispatch.h"

#include <string>
#include <string_view>

// Classes of automation objects that a loadable library serves to the process
// that loads it, as a COM in-process server serves its classes through
// DllGetClassObject; for the platforms without COM. The library exports, with
// C linkage:
//
//   automation::Dispatch* VedorisCreateObject(const char16_t* progId);
//       a new object of the class, or null when the library serves no such
//       class; nothing may leave it but its answer
//   void VedorisReleaseObject(automation::Dispatch* object);
//       frees an object it made, in the library's own code
//
// Both sides are built from the same automation sources.
namespace automation {

inline constexpr char moduleCreateSymbol[] = "VedorisCreateObject";
inline constexpr char moduleReleaseSymbol[] = "VedorisReleaseObject";

using ModuleCreate = Dispatch* (*)(const char16_t* progId);
using ModuleRelease = void (*)(Dispatch* object);

// A new object of the class `progId` from the library at `path`. The library
// is loaded once and stays loaded for the life of the process: the objects it
// makes may live anywhere. An AutomationError naming the library when it
// cannot be loaded, offers no entry points, or serves no such class.
DispatchRef createModuleObject(const std::string& path, std::u16string_view progId);

} // namespace automation
