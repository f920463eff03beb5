#include "cadsim/model/SimulatorState.h"

#include "cadsim/model/Text.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ServedCalls.h"

#include <limits>

namespace cadsim {

using automation::AutomationError;
using automation::Variant;
namespace hr = automation::hr;

namespace {

// The first argument as an index, when it is an integer.
std::optional<int64_t> indexArgument(automation::Args args)
{
    if (args.empty())
        return std::nullopt;
    const Variant& v = args[0].value();
    switch (v.type()) {
    case automation::VarType::I2:
    case automation::VarType::I4:
    case automation::VarType::I8: return v.toI8();
    default: return std::nullopt;
    }
}

bool textArgumentIs(automation::Args args, std::u16string_view text)
{
    return !args.empty() && args[0].value().type() == automation::VarType::BStr
           && equalsIgnoringCase(args[0].value().toBStr(), text);
}

} // namespace

void SimulatorState::admitCall(ObjectKind object, std::u16string_view handle, std::u16string_view member,
                               automation::InvokeKind kind, automation::Args args)
{
    if (recordCalls)
        calls.push_back({object, std::u16string(member), kind, args.size()});
    // A busy CAD (a dialog open, its user's command, the text it was just
    // sent) refuses every call from outside, whatever the object, before the
    // member runs: the caller may try again later.
    if (!automation::servingInProcessCaller() && refusesCalls())
        throw automation::CallRejected(std::u16string(member));
    if (refuseAfterCalls && ++callsServed == *refuseAfterCalls)
        refuseCallsUntil = clock() + refuseFor;
    for (PlantedFault& planted : faults) {
        const Fault& f = planted.fault;
        if (f.object != object || !equalsIgnoringCase(f.member, member))
            continue;
        if (!f.handle.empty() && !equalsIgnoringCase(f.handle, handle))
            continue;
        if (f.fromIndex) {
            const std::optional<int64_t> index = indexArgument(args);
            if (!index || *index < *f.fromIndex)
                continue;
        }
        if (f.argument && !(textArgumentIs(args, *f.argument)))
            continue;
        if (planted.matched++ < f.skipCalls)
            continue;
        if (f.times >= 0 && planted.failed >= f.times)
            continue;
        ++planted.failed;
        if (f.thrown)
            f.thrown();
        automation::raiseCallFailure(f.code, f.description);
    }
}

SimulatorState::Delivery SimulatorState::takeChanges()
{
    Delivery delivery;
    if (pendingChanges == 0)
        return delivery;
    delivery.changes = pendingChanges;
    pendingChanges = 0;
    delivery.observers.reserve(observers.size());
    for (const Observer& o : observers)
        delivery.observers.push_back(o.notify);
    return delivery;
}

void SimulatorState::Delivery::operator()() const
{
    if (changes == 0) // most calls change nothing; skip the walk over every bit
        return;
    for (unsigned bit = 0; bit < 32; ++bit) {
        if (!(changes & (1u << bit)))
            continue;
        for (const ChangeObserver& notify : observers)
            notify(static_cast<Change>(bit));
    }
}

void SimulatorState::startCommand()
{
    busyUntil = clock() + idleDelay;
    busyQueriesLeft = busyQueriesPerCommand;
}

bool SimulatorState::userCommandWaits()
{
    if (userCommandPending && userCommandEnds && clock() >= *userCommandEnds) {
        userCommandPending = false;
        userCommandEnds.reset();
        changed(Change::Commands);
    }
    return userCommandPending;
}

bool SimulatorState::quiescent()
{
    ++quiescenceQueries;
    if (staysBusy || userCommandWaits())
        return false;
    if (busyQueriesLeft > 0) {
        --busyQueriesLeft;
        return false;
    }
    return clock() >= busyUntil;
}

std::u16string SimulatorState::effectiveCaption() const
{
    if (!caption.empty())
        return caption;
    if (active && !active->drawing.name().empty())
        return personality->product + u" - [" + active->drawing.name() + u"]";
    return personality->product;
}

Variant SimulatorState::reportedObjectId(int64_t stored) const
{
    const int64_t id = stored + objectIdOffset;
    if (id >= std::numeric_limits<int32_t>::min() && id <= std::numeric_limits<int32_t>::max())
        return Variant::i4(static_cast<int32_t>(id));
    return Variant::i8(id);
}

std::shared_ptr<DocumentData> SimulatorState::addDocument(Drawing drawing)
{
    auto document = std::make_shared<DocumentData>();
    document->drawing = std::move(drawing);
    // A drawing saved without an identity, or a new one, gets a new identity
    // each time it is opened, as an unsaved drawing of a CAD does.
    if (document->drawing.fingerprint().empty())
        document->drawing.setFingerprint(newFingerprint());
    documents.push_back(document);
    active = document;
    changed(Change::Documents);
    return document;
}

} // namespace cadsim
