#pragma once

#ifdef _WIN32

#include <string>

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
// HKEY_CLASSES_ROOT. Where COM then still does not know the ProgID (Wine's
// HKEY_CLASSES_ROOT is the machine's classes alone), the same keys go to
// HKLM\Software\Classes as well. An AutomationError with the registry's
// failure when a key cannot be written.
void registerServerClass(const ServerClass& server);

// Removes what registerServerClass wrote, from both places. A ProgID that
// meanwhile names another class (a real application installed since) is
// left alone, as are keys that are not there.
void unregisterServerClass(const ServerClass& server);

} // namespace automation::com

#endif // _WIN32
