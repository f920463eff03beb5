#pragma once

#include "platform/automation/ObjectRegistry.h"

#include <stdexcept>
#include <string_view>

namespace automation {

// Offering this program's objects to other programs, in the one way each
// platform has: the COM running object table and class objects on Windows,
// a local socket in the user's runtime folder elsewhere. Programs that serve
// objects (the CAD simulator, the spreadsheet stand-in) go through here and
// never name the backend.

// Publishing failed: another running instance holds the ProgID, the class is
// not registered (Windows), no runtime folder can be had (elsewhere).
class PublishError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Makes `object` the running instance of progId for the other programs of
// this user, as activeObject finds it, until the Registration goes.
//
// On Windows the ProgID must be registered with its class (see
// com/ServerRegistry.h) and calls arrive through the calling thread's message
// loop (a single-threaded apartment). Elsewhere no event loop is needed:
// calls arrive on threads of their own, so the object and everything reached
// from it must be thread-safe.
[[nodiscard]] Registration publishRunningObject(std::u16string_view progId, DispatchRef object);

// Offers progId's class to other programs, which make objects of it with
// createObject, each one new from the factory, until the Registration goes.
// Only COM can start a program for another one's request: elsewhere this is
// a PublishError, and a class is registered in the process that uses it
// (registerClass).
[[nodiscard]] Registration publishClass(std::u16string_view progId, ClassFactory factory);

} // namespace automation
