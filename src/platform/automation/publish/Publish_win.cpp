#include "platform/automation/publish/Publish.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Utf8.h"
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/ClassObject.h"
#include "platform/automation/com/ComObjects.h"

#include <memory>
#include <string>

namespace automation {

namespace {

// Serving objects needs the thread in a single-threaded apartment, where
// calls from other programs arrive through its message loop. Qt's GUI thread
// is in one already; the guard then only balances its own initialisation.
// It stays until the registration has been revoked.
template <typename Register>
Registration inApartment(std::u16string_view progId, Register registerObject)
{
    auto apartment = std::make_shared<com::Apartment>();
    try {
        if (FAILED(apartment->result()))
            throw AutomationError(apartment->result(), {});
        auto registration = std::make_shared<Registration>(registerObject());
        return Registration([apartment, registration] { registration->revoke(); });
    } catch (const AutomationError& e) {
        throw PublishError(toUtf8(progId) + ": " + toUtf8(e.message()));
    }
}

// Whether another program's (or this one's) instance answers for the ProgID.
// The running object table takes a second registration of a class without
// complaint (MK_S_MONIKERALREADYREGISTERED) and then hands out either; one
// running instance per ProgID is what the local sockets allow, and what a
// client attaching to "the" running application expects.
bool answersAlready(std::u16string_view progId)
{
    try {
        return com::activeObject(progId) != nullptr;
    } catch (const AutomationError&) {
        return false; // nothing running, or what is left of a program that died
    }
}

} // namespace

Registration publishRunningObject(std::u16string_view progId, DispatchRef object)
{
    return inApartment(progId, [&] {
        if (answersAlready(progId))
            throw AutomationError(hr::E_Fail, u"another server is already registered as the running instance");
        return com::registerRunningObject(progId, std::move(object));
    });
}

Registration publishClass(std::u16string_view progId, ClassFactory factory)
{
    return inApartment(progId, [&] { return com::registerClassObject(progId, std::move(factory)); });
}

} // namespace automation
