#include "cadsim/model/Simulator.h"

#include "cadsim/model/Application.h"

#include <algorithm>

namespace cadsim {

using automation::Variant;

template <typename F>
auto Simulator::locked(F&& f) const
{
    std::lock_guard lock(m_state->mutex);
    return f(*m_state);
}

// Runs a change with the lock held, then tells the observers without it.
template <typename F>
void Simulator::changing(F&& f)
{
    SimulatorState::Delivery delivery;
    {
        std::lock_guard lock(m_state->mutex);
        f(*m_state);
        delivery = m_state->takeChanges();
    }
    delivery();
}

Simulator::Simulator() : m_state(std::make_shared<SimulatorState>()) {}

Simulator::Simulator(Drawing drawing, std::u16string fullName) : Simulator()
{
    m_state->addDocument(std::move(drawing), std::move(fullName));
    m_state->pendingChanges = 0;
}

automation::DispatchRef Simulator::application() const
{
    return std::make_shared<Application>(m_state);
}

void Simulator::openDocument(Drawing drawing, std::u16string fullName, bool readOnly)
{
    changing([&](SimulatorState& s) { s.addDocument(std::move(drawing), std::move(fullName), readOnly); });
}

void Simulator::closeAllDocuments()
{
    changing([](SimulatorState& s) {
        while (!s.documents.empty())
            s.closeDocument(s.documents.back());
        s.changed(Change::Documents);
    });
}

int Simulator::documentCount() const
{
    return locked([](const SimulatorState& s) { return static_cast<int>(s.documents.size()); });
}

bool Simulator::hasActiveDocument() const
{
    return locked([](const SimulatorState& s) { return s.active != nullptr; });
}

std::vector<std::u16string> Simulator::documentFullNames() const
{
    return locked([](const SimulatorState& s) {
        std::vector<std::u16string> names;
        for (const std::shared_ptr<DocumentData>& document : s.documents)
            names.push_back(document->fullName);
        return names;
    });
}

std::optional<std::u16string> Simulator::activeDocumentFullName() const
{
    return locked([](const SimulatorState& s) {
        return s.active ? std::optional(s.active->fullName) : std::nullopt;
    });
}

bool Simulator::isDocumentReadOnly(size_t position) const
{
    return locked([position](const SimulatorState& s) { return s.documents.at(position)->readOnly; });
}

Drawing Simulator::activeDrawing() const
{
    return locked([](const SimulatorState& s) { return s.active ? s.active->drawing : Drawing(); });
}

void Simulator::editActiveDrawing(const std::function<void(Drawing&)>& edit)
{
    changing([&](SimulatorState& s) {
        if (!s.active)
            return;
        DocumentData& document = *s.active;
        edit(document.drawing);
        s.changed(Change::Drawing);
        const auto gone = std::remove_if(document.pickfirst.begin(), document.pickfirst.end(),
                                         [&](const std::u16string& h) { return !document.drawing.entity(h); });
        if (gone != document.pickfirst.end()) {
            document.pickfirst.erase(gone, document.pickfirst.end());
            s.changed(Change::Selection);
        }
    });
}

std::vector<std::u16string> Simulator::selectedHandles() const
{
    return locked([](const SimulatorState& s) {
        return s.active ? s.active->pickfirst : std::vector<std::u16string>{};
    });
}

void Simulator::setSelectedHandles(const std::vector<std::u16string>& handles)
{
    changing([&](SimulatorState& s) {
        if (!s.active)
            return;
        std::vector<std::u16string> selection;
        for (const std::u16string& handle : handles)
            if (const Entity* entity = s.active->drawing.entity(handle))
                selection.push_back(entity->handle);
        if (selection != s.active->pickfirst) {
            s.active->pickfirst = std::move(selection);
            s.changed(Change::Selection);
        }
    });
}

std::vector<Variant> Simulator::addedDocumentTemplates() const
{
    return locked([](const SimulatorState& s) { return s.documentTemplates; });
}

std::vector<ClosedDocument> Simulator::closedDocuments() const
{
    return locked([](const SimulatorState& s) { return s.closedDocuments; });
}

void Simulator::setDrawingLoader(DrawingLoader loader)
{
    locked([&loader](SimulatorState& s) { s.drawingLoader = std::move(loader); });
}

void Simulator::setDrawingReaderAllowed(bool allowed)
{
    locked([allowed](SimulatorState& s) { s.drawingReaderAllowed = allowed; });
}

int Simulator::drawingsHeldByReaders() const
{
    return locked([](const SimulatorState& s) {
        return static_cast<int>(std::count_if(s.readerDrawings.begin(), s.readerDrawings.end(),
                                              [](const std::weak_ptr<DocumentData>& d) { return !d.expired(); }));
    });
}

std::u16string Simulator::version() const
{
    return locked([](const SimulatorState& s) { return s.version; });
}

void Simulator::setVersion(std::u16string version)
{
    locked([&](SimulatorState& s) { s.version = std::move(version); });
}

std::u16string Simulator::caption() const
{
    return locked([](const SimulatorState& s) { return s.effectiveCaption(); });
}

void Simulator::setCaption(std::u16string caption)
{
    locked([&](SimulatorState& s) { s.caption = std::move(caption); });
}

std::u16string Simulator::supportPath() const
{
    return locked([](const SimulatorState& s) { return s.supportPath; });
}

void Simulator::setSupportPath(std::u16string folders)
{
    locked([&](SimulatorState& s) { s.supportPath = std::move(folders); });
}

std::u16string Simulator::trustedPaths() const
{
    return locked([](const SimulatorState& s) { return s.trustedPaths; });
}

void Simulator::setTrustedPaths(std::u16string folders)
{
    locked([&](SimulatorState& s) { s.trustedPaths = std::move(folders); });
}

void Simulator::setBusy(bool busy)
{
    locked([&](SimulatorState& s) { s.busy = busy; });
}

void Simulator::setLargeObjectIds(bool on, int64_t offset)
{
    locked([&](SimulatorState& s) { s.objectIdOffset = on ? offset : 0; });
}

void Simulator::setBusyAfterCommand(std::chrono::milliseconds refusing)
{
    locked([&](SimulatorState& s) { s.busyAfterCommand = refusing; });
}

void Simulator::setRefuseAfterCalls(uint64_t calls, std::chrono::milliseconds refusing)
{
    locked([&](SimulatorState& s) {
        s.refuseAfterCalls = calls;
        s.refuseFor = refusing;
        s.callsServed = 0;
    });
}

void Simulator::setTrustedPathsLocked(bool on)
{
    locked([&](SimulatorState& s) { s.trustedPathsLocked = on; });
}

void Simulator::setIdleDelay(std::chrono::milliseconds delay)
{
    locked([&](SimulatorState& s) { s.idleDelay = delay; });
}

void Simulator::setStaysBusy(bool busy)
{
    locked([&](SimulatorState& s) { s.staysBusy = busy; });
}

void Simulator::setBusyQueriesPerCommand(int queries)
{
    locked([&](SimulatorState& s) { s.busyQueriesPerCommand = queries; });
}

void Simulator::startUserCommand(std::optional<std::chrono::milliseconds> endsAfter)
{
    changing([&](SimulatorState& s) {
        s.userCommandPending = true;
        s.userCommandEnds.reset();
        if (endsAfter)
            s.userCommandEnds = s.clock() + *endsAfter;
        s.changed(Change::Commands);
    });
}

void Simulator::endUserCommand()
{
    changing([](SimulatorState& s) {
        s.userCommandPending = false;
        s.userCommandEnds.reset();
        s.changed(Change::Commands);
    });
}

bool Simulator::userCommandPending() const
{
    return locked([](SimulatorState& s) { return s.userCommandWaits(); });
}

void Simulator::setCommandReport(std::function<void(const std::u16string& line)> report)
{
    locked([&](SimulatorState& s) { s.commandReport = std::move(report); });
}

bool Simulator::refusesCalls() const
{
    return locked([](const SimulatorState& s) { return s.refusesCalls(); });
}

bool Simulator::busy() const
{
    return locked([](const SimulatorState& s) { return s.busy; });
}

int64_t Simulator::objectIdOffset() const
{
    return locked([](const SimulatorState& s) { return s.objectIdOffset; });
}

std::chrono::milliseconds Simulator::idleDelay() const
{
    return locked([](const SimulatorState& s) { return s.idleDelay; });
}

bool Simulator::staysBusy() const
{
    return locked([](const SimulatorState& s) { return s.staysBusy; });
}

void Simulator::setClock(SteadyClock clock)
{
    locked([&](SimulatorState& s) { s.clock = std::move(clock); });
}

void Simulator::setFileExists(FileExists exists)
{
    locked([&](SimulatorState& s) { s.fileExists = std::move(exists); });
}

void Simulator::injectFault(Fault fault)
{
    locked([&](SimulatorState& s) { s.faults.push_back({std::move(fault)}); });
}

void Simulator::failMember(ObjectKind object, std::u16string member)
{
    Fault fault;
    fault.object = object;
    fault.member = std::move(member);
    injectFault(std::move(fault));
}

void Simulator::clearFaults()
{
    locked([](SimulatorState& s) { s.faults.clear(); });
}

std::vector<std::u16string> Simulator::commands() const
{
    return locked([](const SimulatorState& s) { return s.commands; });
}

std::vector<LoadedFile> Simulator::loadedFiles() const
{
    return locked([](const SimulatorState& s) { return s.loadedFiles; });
}

int Simulator::quiescenceQueries() const
{
    return locked([](const SimulatorState& s) { return s.quiescenceQueries; });
}

void Simulator::setRecordCalls(bool on)
{
    locked([&](SimulatorState& s) { s.recordCalls = on; });
}

std::vector<CallRecord> Simulator::calls() const
{
    return locked([](const SimulatorState& s) { return s.calls; });
}

void Simulator::clearRecords()
{
    locked([](SimulatorState& s) {
        s.commands.clear();
        s.loadedFiles.clear();
        s.documentTemplates.clear();
        s.closedDocuments.clear();
        s.quiescenceQueries = 0;
        s.calls.clear();
    });
}

int Simulator::addObserver(ChangeObserver observer)
{
    return locked([&](SimulatorState& s) {
        const int id = s.nextObserverId++;
        s.observers.push_back({id, std::move(observer)});
        return id;
    });
}

void Simulator::removeObserver(int id)
{
    locked([&](SimulatorState& s) {
        std::erase_if(s.observers, [id](const SimulatorState::Observer& o) { return o.id == id; });
    });
}

void Simulator::setSecureLoad(int level)
{
    locked([level](SimulatorState& s) { s.secureLoad = level; });
}

void Simulator::setInterfaceObjectsAllowed(bool allowed)
{
    locked([allowed](SimulatorState& s) { s.interfaceObjectsAllowed = allowed; });
}

void Simulator::setProgramFolder(std::u16string folder)
{
    locked([&folder](SimulatorState& s) { s.programFolder = std::move(folder); });
}

void Simulator::setInterfaceObjectSource(InterfaceObjectSource source)
{
    locked([&source](SimulatorState& s) { s.interfaceObjects = std::move(source); });
}

std::vector<std::u16string> Simulator::loadQuestions() const
{
    return locked([](const SimulatorState& s) { return s.loadQuestions; });
}

void Simulator::setPersonality(const CadPersonality& personality)
{
    changing([&](SimulatorState& s) {
        s.personality = &personality;
        s.version = personality.version;
        s.changed(Change::Documents); // the caption, and with it the window's title
    });
}

const CadPersonality& Simulator::personality() const
{
    return *locked([](const SimulatorState& s) { return s.personality; });
}

void Simulator::setMissingVariables(std::vector<std::u16string> names)
{
    locked([&names](SimulatorState& s) { s.missingVariables = std::move(names); });
}

} // namespace cadsim
