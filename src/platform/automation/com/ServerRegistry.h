#pragma once

#ifdef _WIN32

#include <string>
#include <string_view>

namespace automation::com {

// A class that a program of this project serves, as the registry knows it.
struct ServerClass {
    std::u16string progId;      // "AutoCAD.Application"
    std::u16string classId;     // "{…}", the registry's form of the CLSID
    std::u16string description; // the keys' default value
    // The command line COM runs to have objects made (LocalServer32); empty
    // for a class whose objects are only ever found running.
    std::u16string localServer;
    // The DLL COM loads to have objects made in the caller's process
    // (InprocServer32, apartment threaded); empty for none.
    std::u16string inprocServer;
};

// Registers the class for the current user, under HKCU\Software\Classes, as
// a setup without elevation does; Windows merges those keys into
// HKEY_CLASSES_ROOT for the user's unelevated programs. Nothing is ever
// written under HKEY_LOCAL_MACHINE: a class there is loaded by every
// elevated program of every user, from a file this user may replace. (An
// elevated program does not see the user's classes; Wine, which does not
// merge them at all, has its tests copy them over.) An AutomationError with
// the registry's failure when a key cannot be written.
void registerServerClass(const ServerClass& server);

// Removes what registerServerClass wrote. A ProgID that meanwhile names
// another class (a real application installed since) is left alone, as are
// keys that are not there.
void unregisterServerClass(const ServerClass& server);

// The user's own registration of the ProgID: the class it names and the
// file of that class's in-process server, read from HKCU\Software\Classes
// alone (empty where there is none), whatever COM would make of it.
struct UserRegistration {
    std::u16string classId;
    std::u16string inprocServer;
};
UserRegistration userRegistration(std::u16string_view progId);

} // namespace automation::com

#endif // _WIN32
