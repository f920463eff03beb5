#include "cadsim/model/InterfaceObjects.h"

#include "cadsim/model/DrawingReader.h"
#include "cadsim/model/SimulatorState.h"
#include "cadsim/model/Text.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ServedCalls.h"

#include <algorithm>

namespace cadsim {

using automation::AutomationError;
using automation::Variant;
namespace hr = automation::hr;

namespace {

[[noreturn]] void problemInLoading()
{
    throw AutomationError(hr::E_Fail, u"Problem in loading application");
}

char16_t separatorOf(const std::u16string& path)
{
    return path.find(u'\\') != std::u16string::npos ? u'\\' : u'/';
}

std::u16string folderOf(const std::u16string& file)
{
    const size_t slash = file.find_last_of(u"/\\");
    return slash == std::u16string::npos ? std::u16string() : file.substr(0, slash);
}

std::u16string withoutTrailingSeparator(std::u16string folder)
{
    while (folder.size() > 1 && (folder.back() == u'/' || folder.back() == u'\\'))
        folder.pop_back();
    return folder;
}

// The folder is `root` or lies below it.
bool within(const std::u16string& folder, const std::u16string& root, char16_t separator)
{
    const std::u16string r = withoutTrailingSeparator(root);
    if (r.empty())
        return false;
    return equalsIgnoringCase(folder, r)
           || (folder.size() > r.size() && folder[r.size()] == separator
               && equalsIgnoringCase(std::u16string_view(folder).substr(0, r.size()), r));
}

// The object the caller gets: the library's own, reached through this one so
// that a busy CAD refuses its calls as it refuses every call from outside,
// and so that the calls it makes back into the CAD count as the process's own.
class InterfaceObject final : public automation::Dispatch {
public:
    InterfaceObject(std::shared_ptr<SimulatorState> state, automation::DispatchRef object)
        : m_state(std::move(state)), m_object(std::move(object))
    {
    }

    Variant invoke(std::u16string_view member, automation::InvokeKind kind, automation::Args args) override
    {
        {
            const std::lock_guard lock(m_state->mutex);
            if (m_state->refusesCalls())
                throw automation::CallRejected(std::u16string(member));
        }
        // Not under the model's lock: the object calls the model's objects,
        // each of which takes it.
        const automation::InProcessCaller inside;
        return m_object->invoke(member, kind, args);
    }

private:
    std::shared_ptr<SimulatorState> m_state;
    automation::DispatchRef m_object;
};

} // namespace

bool trustsFolder(const SimulatorState& state, const std::u16string& folder)
{
    const std::u16string wanted = withoutTrailingSeparator(folder);
    const char16_t separator = separatorOf(wanted);
    if (within(wanted, state.programFolder, separator))
        return true;
    const std::u16string subfolders = std::u16string(1, separator) + u"...";
    for (const std::u16string& element : splitFolderList(state.trustedPaths)) {
        const std::u16string entry = folderOfListElement(element);
        if (entry.size() > subfolders.size() && entry.ends_with(subfolders)) {
            if (within(wanted, entry.substr(0, entry.size() - subfolders.size()), separator))
                return true;
        } else if (equalsIgnoringCase(withoutTrailingSeparator(entry), wanted)) {
            return true;
        }
    }
    return false;
}

Variant getInterfaceObject(const std::shared_ptr<SimulatorState>& shared, const std::u16string& progId)
{
    // The CAD's own drawing reader is built into it: no library to load.
    if (std::optional<Variant> reader = drawingReaderFor(shared, progId))
        return std::move(*reader);
    SimulatorState& state = *shared;
    if (!state.interfaceObjectsAllowed || !state.interfaceObjects)
        problemInLoading();
    const std::optional<InterfaceObjectLibrary> library = state.interfaceObjects(progId);
    if (!library || !library->create)
        problemInLoading();
    // A CAD that has no SECURELOAD loads code from any folder.
    const bool knowsSecureLoad = std::none_of(state.missingVariables.begin(), state.missingVariables.end(),
                                              [](const std::u16string& name) { return equalsIgnoringCase(name, u"SECURELOAD"); });
    const int secureLoad = knowsSecureLoad ? state.secureLoad : 0;
    if (secureLoad != 0 && !trustsFolder(state, folderOf(library->path))) {
        if (secureLoad == 1) {
            state.loadQuestions.push_back(library->path);
            state.changed(Change::Questions);
            if (state.commandReport)
                state.commandReport(u"asked its user whether to load " + library->path);
        }
        problemInLoading();
    }
    automation::DispatchRef object;
    try {
        object = library->create();
    } catch (const std::exception&) {
        problemInLoading();
    }
    if (!object)
        problemInLoading();
    return Variant::dispatch(std::make_shared<InterfaceObject>(shared, std::move(object)));
}

} // namespace cadsim
