#pragma once

#ifdef _WIN32

#include "platform/automation/ObjectRegistry.h"

#include <guiddef.h>

#include <memory>
#include <string>
#include <string_view>

namespace automation::com {

// The class a ProgID is registered with (CLSIDFromProgID); CO_E_CLASSSTRING
// for an unknown ProgID.
CLSID classIdOf(std::u16string_view progId);

// The running instance registered for the ProgID: CLSIDFromProgID, then
// GetActiveObject, then its IDispatch. Fails with the HRESULT of the step
// that failed: CO_E_CLASSSTRING for an unknown ProgID, MK_E_UNAVAILABLE when
// no instance runs, E_NOINTERFACE for an object without IDispatch.
DispatchRef activeObject(std::u16string_view progId);

// A new object of the class: CoCreateInstance, in-process or as a local
// server (starting the server program when needed), asked for IDispatch.
DispatchRef createObject(std::u16string_view progId);

// A new object of the class from its in-process server only (a DLL loaded
// into this process), as a CAD loads an interface object; asked for
// IDispatch. A class without one fails as CoCreateInstance does.
DispatchRef createInProcessObject(std::u16string_view progId);

// The file of the class's in-process server as the registry names it
// (InprocServer32), or empty when the ProgID or the entry is unknown.
std::u16string inProcessServerPath(std::u16string_view progId);

// The backend for automation::setObjectBackend: the two lookups above, where
// "nothing runs" and "no such class" answer nullptr so that the registry
// reports them as every backend does; other failures are thrown as they are.
std::unique_ptr<ObjectBackend> makeObjectBackend();

// Registers one of this program's objects as the running instance of the
// ProgID's class (RegisterActiveObject, strong), so that other programs find
// it with GetActiveObject; the Registration revokes it (RevokeActiveObject).
// The ProgID must be registered with its CLSID.
[[nodiscard]] Registration registerRunningObject(std::u16string_view progId, DispatchRef object);

} // namespace automation::com

#endif // _WIN32
