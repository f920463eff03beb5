#include "cadsim/app/ServerRegistration.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Utf8.h"
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/ServerRegistry.h"

#include <cstdio>

namespace cadsim {

namespace {

// The simulator's class for the CAD it plays. It is never started by COM
// (there is no LocalServer32): the system only attaches to a CAD application
// the user started, and the simulator needs a drawing to open.
automation::com::ServerClass simulatorClass(const CadPersonality& personality, const std::u16string& progId)
{
    return {.progId = progId,
            .classId = personality.classId,
            .description = u"Vedoris CAD simulator",
            .localServer = {},
            .inprocServer = {}};
}

} // namespace

std::optional<int> runRegistrationSwitch(const QStringList& arguments)
{
    if (arguments.size() != 2 && arguments.size() != 4 && arguments.size() != 6)
        return std::nullopt;
    const QString& option = arguments[1];
    const bool add = option.compare(QStringLiteral("/regserver"), Qt::CaseInsensitive) == 0;
    const bool remove = option.compare(QStringLiteral("/unregserver"), Qt::CaseInsensitive) == 0;
    if (!add && !remove)
        return std::nullopt;
    const CadPersonality* personality = &autocadPersonality();
    std::optional<std::u16string> only;
    for (qsizetype i = 2; personality && i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QStringLiteral("--as"))
            personality = findCadPersonality(arguments[i + 1].toStdU16String());
        else if (arguments[i] == QStringLiteral("--progid"))
            only = arguments[i + 1].toStdU16String();
        else
            personality = nullptr;
    }
    if (!personality) {
        std::fprintf(stderr, "cadsim: %s [--as autocad|nanocad|zwcad|bricscad|gstarcad] [--progid NAME]\n",
                     option.toLocal8Bit().constData());
        return 2;
    }

    automation::com::Apartment apartment; // CLSIDFromProgID wants COM
    try {
        for (const std::u16string& progId : answeringProgIds(*personality, only)) {
            if (add)
                automation::com::registerServerClass(simulatorClass(*personality, progId));
            else
                automation::com::unregisterServerClass(simulatorClass(*personality, progId));
        }
    } catch (const automation::AutomationError& e) {
        std::fprintf(stderr, "cadsim: %s\n", automation::toUtf8(e.message()).c_str());
        return 1;
    }
    return 0;
}

std::vector<std::u16string> progIdsToPublish(const std::vector<std::u16string>& answering)
{
    return {answering.front()};
}

} // namespace cadsim
