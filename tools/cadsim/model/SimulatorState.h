#pragma once

#include "cadsim/model/CadPersonality.h"
#include "cadsim/model/Change.h"
#include "cadsim/model/CommandLine.h"
#include "cadsim/model/Drawing.h"
#include "cadsim/model/Fault.h"
#include "cadsim/model/FileLock.h"
#include "cadsim/model/InterfaceObjects.h"
#include "cadsim/model/ObjectKind.h"

#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace cadsim {

// One drawing the CAD holds: a document open in its editor, or a drawing a
// drawing reader opened without one.
struct DocumentData {
    Drawing drawing;
    std::vector<std::u16string> pickfirst; // entity handles
    // The file it was read from; empty for a drawing never saved.
    std::u16string fullName;
    bool readOnly = false;
    // Closed in the editor: its objects fail from then on.
    bool closed = false;
    // When the user last made it the active document (a count).
    uint64_t activatedAt = 0;
    // The drawing's file, held while the drawing is open.
    FileLock lock;

    // Throws the CAD's answer to a call on an object of a closed document.
    void requireOpen() const;
};

// A document closed through Close, with what it was told about saving.
struct ClosedDocument {
    std::u16string fullName;
    automation::Variant saveChanges; // omitted when left out
};

// Reads a drawing file: the DXF reader in the program, a test's own. It
// runs with the model locked and must not call back into the simulator; any
// exception it throws means the file is no drawing, and its what() says why.
using DrawingLoader = std::function<Drawing(const std::u16string& path)>;

// What a CAD answers for a drawing file it cannot open (HRESULT_FROM_WIN32
// of the system's error).
namespace file_hr {
inline constexpr int32_t NotFound = automation::hr::code(0x80070002u);         // ERROR_FILE_NOT_FOUND
inline constexpr int32_t AccessDenied = automation::hr::code(0x80070005u);     // ERROR_ACCESS_DENIED
inline constexpr int32_t SharingViolation = automation::hr::code(0x80070020u); // ERROR_SHARING_VIOLATION
} // namespace file_hr

struct LoadedFile {
    std::u16string name; // as the command named it
    std::u16string path; // where it was found

    bool operator==(const LoadedFile&) const = default;
};

struct CallRecord {
    ObjectKind object;
    std::u16string member;
    automation::InvokeKind kind;
    size_t argumentCount;
};

using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

// Everything the running simulated CAD holds, behind one mutex. The automation
// objects hold this state (never each other), so nothing they hand out can
// form a reference cycle. Members are used with `mutex` held.
struct SimulatorState {
    mutable std::mutex mutex;

    // The CAD it plays: AutoCAD unless told otherwise.
    const CadPersonality* personality = &autocadPersonality();
    // System variables this CAD does not have: GetVariable and SetVariable
    // of them fail (names in upper case).
    std::vector<std::u16string> missingVariables;

    // Settings kept in the CAD's profile.
    std::u16string version = u"24.1s (LMS Tech)";
    std::u16string caption; // empty: "cadsim - [<active drawing>]"
    std::u16string supportPath;
    std::u16string trustedPaths;

    // Behaviour switches.
    bool busy = false;
    // After each command text the CAD refuses calls as busy for this long.
    std::chrono::milliseconds busyAfterCommand{0};
    // After serving this many member calls, it refuses calls as busy for
    // `refuseFor` (once): a CAD that turns busy in the middle of a walk.
    std::optional<uint64_t> refuseAfterCalls;
    std::chrono::milliseconds refuseFor{0};
    uint64_t callsServed = 0;
    std::chrono::steady_clock::time_point refuseCallsUntil{};
    // An administrator's lock on the profile: TRUSTEDPATHS cannot be set.
    bool trustedPathsLocked = false;
    int64_t objectIdOffset = 0;
    std::chrono::milliseconds idleDelay{0};
    bool staysBusy = false;
    int busyQueriesPerCommand = 0;
    SteadyClock clock = [] { return std::chrono::steady_clock::now(); };
    // A command of the CAD's own user waits at its prompt: the CAD is not
    // idle, and command text sent from outside becomes input to it. It ends
    // when the user presses Esc, or by itself at `userCommandEnds`.
    bool userCommandPending = false;
    std::optional<std::chrono::steady_clock::time_point> userCommandEnds;
    // Told of every command text received, as a line: "ran <text>" or
    // "input to the user's command <text>". Called with the mutex held.
    std::function<void(const std::u16string& line)> commandReport;
    FileExists fileExists = regularFileExists;

    // Interface objects (GetInterfaceObject): the libraries the CAD loads
    // into its own process, and whether it will. SECURELOAD: 0 loads from
    // any folder, 1 asks its user about a folder it does not trust, 2
    // refuses one. The CAD's own program folder is trusted without being
    // listed in TRUSTEDPATHS.
    int secureLoad = 1;
    bool interfaceObjectsAllowed = true;
    std::u16string programFolder;
    InterfaceObjectSource interfaceObjects;
    // The libraries the CAD asked its user about, in order.
    std::vector<std::u16string> loadQuestions;

    // Documents; `active` is one of `documents` or null.
    std::vector<std::shared_ptr<DocumentData>> documents;
    std::shared_ptr<DocumentData> active;
    int newDocumentNumber = 1;
    uint64_t activations = 0;

    // Drawing files: how they are read (Documents.Open and the drawing
    // reader), whether the CAD has its reader, and the drawings readers
    // hold (each until the last object reached through its reader goes).
    DrawingLoader drawingLoader;
    bool drawingReaderAllowed = true;
    std::vector<std::weak_ptr<DocumentData>> readerDrawings;
    // Drawings read from files so far; each gets ObjectIDs of its own.
    int64_t drawingsRead = 0;

    // What the CAD was asked to do.
    std::vector<std::u16string> commands;
    std::vector<LoadedFile> loadedFiles;
    std::vector<automation::Variant> documentTemplates; // the arguments of Documents.Add
    std::vector<ClosedDocument> closedDocuments;
    int quiescenceQueries = 0;
    bool recordCalls = false;
    std::vector<CallRecord> calls;

    // Idle state after the latest command.
    std::chrono::steady_clock::time_point busyUntil{};
    int busyQueriesLeft = 0;

    struct PlantedFault {
        Fault fault;
        int matched = 0;
        int failed = 0;
    };
    std::vector<PlantedFault> faults;

    struct Observer {
        int id;
        ChangeObserver notify;
    };
    std::vector<Observer> observers;
    int nextObserverId = 1;
    uint32_t pendingChanges = 0;

    // --- used with the mutex held ---

    // The checks every call goes through before its member runs: the busy
    // switch, the call record and the planted faults.
    void admitCall(ObjectKind object, std::u16string_view handle, std::u16string_view member,
                   automation::InvokeKind kind, automation::Args args);

    void changed(Change change) { pendingChanges |= 1u << static_cast<unsigned>(change); }

    // The changes made since the last delivery, with the observers to tell.
    struct Delivery {
        uint32_t changes = 0;
        std::vector<ChangeObserver> observers;
        void operator()() const; // call without the mutex held
    };
    Delivery takeChanges();

    // A command was received: the CAD is busy for the idle delay (and the
    // configured number of state queries).
    void startCommand();
    bool quiescent();
    // Whether the user's own command still waits, ending it once its time is up.
    bool userCommandWaits();
    // Whether calls from outside are refused now. A CAD's own thread never
    // refuses itself: the calls of code it loaded (a walker) are served.
    bool refusesCalls() const { return busy || clock() < refuseCallsUntil; }

    std::u16string effectiveCaption() const;
    automation::Variant reportedObjectId(int64_t stored) const;
    // A system variable this CAD does not have fails, with `failure`.
    void requireVariable(std::u16string_view name, const char16_t* failure) const;

    // Opens a document on the drawing and makes it the active one.
    std::shared_ptr<DocumentData> addDocument(Drawing drawing, std::u16string fullName = {}, bool readOnly = false);
    std::shared_ptr<DocumentData> addDocument(std::shared_ptr<DocumentData> document);
    void activate(const std::shared_ptr<DocumentData>& document);
    // Closes the document: it leaves the documents, lets its file go, and the
    // most recently active of the others, if any, becomes the active one.
    void closeDocument(const std::shared_ptr<DocumentData>& document);

    // Reads a drawing file through the loader, holding the file as the CAD
    // does: shared for a drawing read only, exclusively for one opened for
    // editing. Fails as the CAD does: a missing file, a file another program
    // holds, a file that is no drawing.
    std::shared_ptr<DocumentData> readDrawingFile(const std::u16string& path, bool readOnly);
};

} // namespace cadsim
