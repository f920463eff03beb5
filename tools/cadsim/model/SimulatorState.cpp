#include "cadsim/model/SimulatorState.h"

#include "cadsim/model/Text.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ServedCalls.h"
#include "platform/automation/Utf8.h"

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

// Each drawing read from a file gets ObjectIDs in a span of its own, as the
// objects of every drawing a CAD opens have addresses of their own: a span
// holds the ids of two million entities.
constexpr int64_t drawingIdSpan = int64_t{1} << 24;

// A drawing saved without an identity, or a new one, gets a new identity
// each time it is opened, as an unsaved drawing of a CAD does.
void giveIdentity(Drawing& drawing)
{
    if (drawing.fingerprint().empty())
        drawing.setFingerprint(newFingerprint());
}

AutomationError fileFailure(const FileLock::Error& e, const std::u16string& path)
{
    switch (e.reason()) {
    case FileLock::Reason::NotFound:
        return AutomationError(file_hr::NotFound, u"The drawing file was not found: " + path);
    case FileLock::Reason::InUse:
        return AutomationError(file_hr::SharingViolation, u"The drawing file is in use by another program: " + path);
    case FileLock::Reason::AccessDenied:
        return AutomationError(file_hr::AccessDenied, u"Access to the drawing file is denied: " + path);
    case FileLock::Reason::Other: break;
    }
    return AutomationError(hr::E_Fail,
                           u"The drawing file cannot be opened: " + path + u" (" + automation::fromUtf8(e.what()) + u")");
}

std::u16string fileNameOf(const std::u16string& path)
{
    const size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
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

void SimulatorState::requireVariable(std::u16string_view name, const char16_t* failure) const
{
    for (const std::u16string& missing : missingVariables)
        if (equalsIgnoringCase(missing, name))
            throw AutomationError(hr::E_InvalidArg, failure);
}

void DocumentData::requireOpen() const
{
    if (closed)
        throw AutomationError(hr::E_Fail, u"The drawing was closed");
}

std::shared_ptr<DocumentData> SimulatorState::addDocument(Drawing drawing, std::u16string fullName, bool readOnly)
{
    auto document = std::make_shared<DocumentData>();
    document->drawing = std::move(drawing);
    document->fullName = std::move(fullName);
    document->readOnly = readOnly;
    return addDocument(std::move(document));
}

std::shared_ptr<DocumentData> SimulatorState::addDocument(std::shared_ptr<DocumentData> document)
{
    giveIdentity(document->drawing);
    documents.push_back(document);
    activate(document);
    return document;
}

void SimulatorState::activate(const std::shared_ptr<DocumentData>& document)
{
    document->activatedAt = ++activations;
    active = document;
    changed(Change::Documents);
}

void SimulatorState::closeDocument(const std::shared_ptr<DocumentData>& document)
{
    std::erase(documents, document);
    document->closed = true;
    document->lock.release();
    if (active == document) {
        active.reset();
        for (const std::shared_ptr<DocumentData>& other : documents)
            if (!active || other->activatedAt > active->activatedAt)
                active = other;
    }
    changed(Change::Documents);
}

std::shared_ptr<DocumentData> SimulatorState::readDrawingFile(const std::u16string& path, bool readOnly)
{
    auto document = std::make_shared<DocumentData>();
    // The file is held before it is read, so that a file another program
    // holds fails as such, not as a file that is no drawing.
    try {
        document->lock = FileLock::take(path, FileLock::Mode::Shared);
    } catch (const FileLock::Error& e) {
        throw fileFailure(e, path);
    }
    const auto noDrawing = [&](const std::u16string& reason) {
        return AutomationError(hr::E_Fail, u"The file is not a drawing: " + path + u" (" + reason + u")");
    };
    if (!drawingLoader)
        throw noDrawing(u"this CAD reads no drawing files");
    try {
        document->drawing = drawingLoader(path);
    } catch (const std::exception& e) {
        throw noDrawing(automation::fromUtf8(e.what()));
    } catch (...) {
        throw noDrawing(u"unreadable");
    }
    if (!readOnly) {
        try {
            document->lock.makeExclusive();
        } catch (const FileLock::Error& e) {
            throw fileFailure(e, path);
        }
    }
    Drawing& drawing = document->drawing;
    drawing.setName(fileNameOf(path)); // a document is named after its file, whatever the loader says
    drawing.shiftObjectIds(-++drawingsRead * drawingIdSpan);
    giveIdentity(drawing);
    document->fullName = path;
    document->readOnly = readOnly;
    return document;
}

} // namespace cadsim
