#include "cadsim/app/ServerRegistration.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Utf8.h"
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/ServerRegistry.h"

#include <cstdio>

namespace cadsim {

namespace {

// The simulator's own class. It is never started by COM (there is no
// LocalServer32): the system only attaches to a CAD application the user
// started, and the simulator needs a drawing to open.
automation::com::ServerClass simulatorClass()
{
    return {.progId = u"AutoCAD.Application",
            .classId = u"{5E0A7C3D-91B4-4F62-8D1E-7A3C2B9F4E10}",
            .description = u"Vedoris CAD simulator",
            .localServer = {}};
}

} // namespace

std::optional<int> runRegistrationSwitch(const QStringList& arguments)
{
    if (arguments.size() != 2)
        return std::nullopt;
    const QString& option = arguments[1];
    const bool add = option.compare(QStringLiteral("/regserver"), Qt::CaseInsensitive) == 0;
    const bool remove = option.compare(QStringLiteral("/unregserver"), Qt::CaseInsensitive) == 0;
    if (!add && !remove)
        return std::nullopt;

    automation::com::Apartment apartment; // CLSIDFromProgID wants COM
    try {
        if (add)
            automation::com::registerServerClass(simulatorClass());
        else
            automation::com::unregisterServerClass(simulatorClass());
    } catch (const automation::AutomationError& e) {
        std::fprintf(stderr, "cadsim: %s\n", automation::toUtf8(e.message()).c_str());
        return 1;
    }
    return 0;
}

} // namespace cadsim
