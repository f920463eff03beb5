#pragma once

#ifdef _WIN32

#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/com/ComPtr.h"

#include <unknwn.h>

#include <cstddef>
#include <string_view>

namespace automation::com {

// Offers the ProgID's class to other programs (CoRegisterClassObject, local
// server, many objects from one registration) while the Registration lives:
// each CreateInstance gets a new object of the factory, through its adapter.
// The ProgID must be registered with its CLSID.
[[nodiscard]] Registration registerClassObject(std::u16string_view progId, ClassFactory factory);

// A class object that makes objects of the factory, through their adapters:
// what an in-process server's DllGetClassObject hands out.
ComPtr<IClassFactory> makeClassObject(ClassFactory factory);

// What other programs hold of this one through COM: the adapters of its
// objects that are still referenced, and the locks taken with
// IClassFactory::LockServer. A program that COM started to make objects for
// others ends when this falls to zero.
size_t heldByClients();

} // namespace automation::com

#endif // _WIN32
