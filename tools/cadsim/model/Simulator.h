#pragma once

#include "cadsim/model/Change.h"
#include "cadsim/model/CommandLine.h"
#include "cadsim/model/Drawing.h"
#include "cadsim/model/Fault.h"
#include "cadsim/model/SimulatorState.h"

#include "platform/automation/Variant.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cadsim {

// The host's handle on a simulated CAD application: the program that serves
// it, its window, or a test. It builds and inspects the state that the
// automation objects work on and hands out the root object. Copies share the
// one state, and the objects handed out keep it alive after the last copy.
//
// Every function is safe to call from any thread while a client calls the
// automation objects from another; both go through the model's one lock.
class Simulator {
public:
    Simulator(); // no document open
    // One document, active, opened from the file `fullName` (empty: a
    // drawing never saved). The file is not held: it may be written while
    // the simulator runs.
    explicit Simulator(Drawing drawing, std::u16string fullName = {});

    // A new reference to the application object, the root a client gets.
    automation::DispatchRef application() const;
    automation::Variant applicationVariant() const { return automation::Variant::dispatch(application()); }

    // Documents ------------------------------------------------------------
    // Opens a drawing as a new document and makes it the active one; its
    // FullName is `fullName` (no file is read nor held).
    void openDocument(Drawing drawing, std::u16string fullName = {}, bool readOnly = false);
    // Closes every document; the CAD then has no active document.
    void closeAllDocuments();
    int documentCount() const;
    bool hasActiveDocument() const;
    // The FullName of each open document, in the order of Documents.Item.
    std::vector<std::u16string> documentFullNames() const;
    // The active document's FullName; nothing when no document is open.
    std::optional<std::u16string> activeDocumentFullName() const;
    // Whether the document at that position (documentFullNames) was opened
    // read only; std::out_of_range past the last.
    bool isDocumentReadOnly(size_t position) const;
    // A copy of the active document's drawing (an empty drawing when none is open).
    Drawing activeDrawing() const;
    // Changes the active document's drawing in place; the pickfirst selection
    // loses entities that are gone. Observers hear Change::Drawing.
    void editActiveDrawing(const std::function<void(Drawing&)>& edit);
    // The handles in the active document's pickfirst selection.
    std::vector<std::u16string> selectedHandles() const;
    // Selects as a user clicking in the window would (unknown handles are dropped).
    void setSelectedHandles(const std::vector<std::u16string>& handles);
    // The arguments Documents.Add was called with, in order.
    std::vector<automation::Variant> addedDocumentTemplates() const;
    // The documents closed through Document.Close, in order, with the
    // SaveChanges argument each was given.
    std::vector<ClosedDocument> closedDocuments() const;

    // Drawing files ------------------------------------------------------------
    // How Documents.Open and the drawing reader read a drawing file (see
    // DrawingLoader); without one, every file is "no drawing".
    void setDrawingLoader(DrawingLoader loader);
    // Off: the CAD has no drawing reader; GetInterfaceObject of its ProgID
    // is refused as any load is.
    void setDrawingReaderAllowed(bool allowed);
    // How many drawings the drawing readers still hold (and their files
    // with them): each until the last object reached through its reader
    // is released.
    int drawingsHeldByReaders() const;

    // Profile settings, as the program keeps them between runs -------------
    std::u16string version() const;
    void setVersion(std::u16string version);
    // The caption; an empty caption means "cadsim - [<active drawing name>]".
    std::u16string caption() const;
    void setCaption(std::u16string caption);
    std::u16string supportPath() const;
    void setSupportPath(std::u16string folders);
    std::u16string trustedPaths() const;
    void setTrustedPaths(std::u16string folders);

    // The CAD it plays (AutoCAD unless told otherwise): its caption, version
    // and idle query, and whether it loads .fas files.
    void setPersonality(const CadPersonality& personality);
    const CadPersonality& personality() const;
    // Variables this CAD does not have: getVariable and setVariable of them fail.
    void setMissingVariables(std::vector<std::u16string> names);

    // Behaviour ----------------------------------------------------------------
    // Busy with its own user's command: every call on every object is refused
    // with RPC_E_CALL_REJECTED.
    void setBusy(bool busy);
    // Hands out ObjectIDs shifted by `offset` (2^32 by default), so that they
    // need 64 bits and arrive as I8.
    void setLargeObjectIds(bool on, int64_t offset = int64_t{1} << 32);
    // After each command text every call is refused as busy for this long.
    void setBusyAfterCommand(std::chrono::milliseconds refusing);
    // Once `calls` member calls have been served, every call from outside is
    // refused as busy for `refusing`; then calls are served again.
    void setRefuseAfterCalls(uint64_t calls, std::chrono::milliseconds refusing);
    // Setting TRUSTEDPATHS fails, as on a profile its administrator locked.
    void setTrustedPathsLocked(bool locked);
    // After each command IsQuiescent answers false for this long.
    void setIdleDelay(std::chrono::milliseconds delay);
    // While set, IsQuiescent answers false, whatever the delay.
    void setStaysBusy(bool busy);
    // After each command the next `queries` IsQuiescent queries answer false.
    void setBusyQueriesPerCommand(int queries);
    bool busy() const;
    // Whether a call arriving now is refused as busy (--busy, or within the
    // time after a command text), before it reaches any object.
    bool refusesCalls() const;
    // A command of the CAD's own user waits at its prompt until endUserCommand
    // (Esc in the window) or, given `endsAfter`, until that time has passed.
    void startUserCommand(std::optional<std::chrono::milliseconds> endsAfter = std::nullopt);
    void endUserCommand();
    bool userCommandPending() const;
    // Interface objects (GetInterfaceObject) -----------------------------------
    // SECURELOAD: 0 loads any library, 1 asks the user about an untrusted
    // folder (and, never answered, refuses), 2 refuses one.
    void setSecureLoad(int level);
    // Off: every GetInterfaceObject is refused, as by the CAD's security settings.
    void setInterfaceObjectsAllowed(bool allowed);
    // The CAD's own program folder, trusted without being listed.
    void setProgramFolder(std::u16string folder);
    // Where a ProgID's library lies and how an object of it is made.
    void setInterfaceObjectSource(InterfaceObjectSource source);
    // The libraries the CAD asked its user about.
    std::vector<std::u16string> loadQuestions() const;

    // Told of every command text as it arrives ("ran ..." or "input to the
    // user's command ..."); called on the thread of the call, with the
    // simulator locked: it must not call back into the simulator.
    void setCommandReport(std::function<void(const std::u16string& line)> report);
    int64_t objectIdOffset() const;
    std::chrono::milliseconds idleDelay() const;
    bool staysBusy() const;
    // The clock the idle delay is measured with (a steady clock by default).
    void setClock(SteadyClock clock);
    // How a (load "...") command tells whether a file exists (the file system
    // by default).
    void setFileExists(FileExists exists);

    // Faults ---------------------------------------------------------------
    void injectFault(Fault fault);
    // Shorthand: the member fails on every object of that kind from now on.
    void failMember(ObjectKind object, std::u16string member);
    void clearFaults();

    // What the CAD was asked to do --------------------------------------------
    // Every command text received, byte for byte, in order.
    std::vector<std::u16string> commands() const;
    std::vector<LoadedFile> loadedFiles() const;
    int quiescenceQueries() const;
    // Call recording is off by default (a long-running program would grow it).
    void setRecordCalls(bool on);
    std::vector<CallRecord> calls() const;
    void clearRecords();

    // Change observers ----------------------------------------------------------
    // Returns an id for removeObserver. See ChangeObserver for the thread rules.
    int addObserver(ChangeObserver observer);
    void removeObserver(int id);

private:
    template <typename F>
    auto locked(F&& f) const;
    template <typename F>
    void changing(F&& f);

    std::shared_ptr<SimulatorState> m_state;
};

} // namespace cadsim
