#pragma once

#include "cad/TLayers.h"

struct CadApplication;
#include "platform/automation/Variant.h"

#include <QString>

#include <cstdint>
#include <memory>

// The attachment to a CAD application that the user has already started.
// A command makes one, uses it and frees it; nothing of it survives the
// command. Construction does all the attaching: the running application, the
// drawing to work on (the active one, or a new one), its model space, and a
// snapshot of its layer table with a second copy. It yields a fully attached
// object, or raises a MessageAbort with the one message that says why not.
//
// The members live in three files, by what they do:
//   TAbstrAcadObj.cpp             attaching and letting go, the layer table
//   TAbstrAcadObjCommands.cpp     the CAD's window, its command line, its idle state
//   TAbstrAcadObjSupportFile.cpp  placing the CAD-side program, trusted folders,
//                                 where the CAD loads code from
class TAbstrAcadObj {
public:
    TAbstrAcadObj();
    virtual ~TAbstrAcadObj();
    TAbstrAcadObj(const TAbstrAcadObj&) = delete;
    TAbstrAcadObj& operator=(const TAbstrAcadObj&) = delete;

    // Places `FileName`, which ships beside the executable, into a support
    // folder of the CAD application (and, for versions that know trusted
    // folders, one that is trusted). Mode: 0 any folder; 1 trusted folders
    // only; 2 trusted folders, then as 3; 3 any folder, which then becomes
    // trusted. When no folder takes the file the executable's folder is made a
    // support (and trusted) folder and the user is told.
    void InstallSupportFile(const QString& FileName, uint8_t Mode, bool Overwrite);
    // Folder is one of the elements of TRUSTEDPATHS, or lies under an element
    // that ends in "\..." (which trusts its subfolders).
    bool IsTrustedPath(const QString& Folder);
    // Appends Folder to TRUSTEDPATHS unless the version knows no trusted
    // folders or it is there already. A CAD that refuses the change (a locked
    // profile) is left as it is.
    void AddTrustedPath(const QString& Folder);
    // Whether the CAD loads code from Folder without asking its user: its
    // SECURELOAD is 0 (a CAD without the variable loads as at 0), or the
    // folder is trusted, or is made trusted now by the rules of
    // AddTrustedPath (nobody else may write there).
    bool MayLoadCodeFrom(const QString& Folder);

    // Brings the CAD application's main window to the foreground: the first
    // top-level window, in z-order, whose title contains the caption.
    void ActivateCadWindow();
    // Sends `command` to the document's command line and returns once the CAD
    // application reports idle, asking every 200 ms with no time-out. The
    // text goes only to an idle CAD: while it is busy (its user at a prompt
    // of their own) it is asked every 200 ms first.
    void RunCommand(const QString& command);
    // GetAcadState().IsQuiescent, by the name this CAD gives the idle query
    // (CadApplications).
    bool IsQuiescent();

    // Refills FLayers from the document's layer table: read inside the CAD in
    // one exchange where it loaded the walker, call by call otherwise.
    void ReadLayers();

    const automation::Variant& FApplication() const { return m_application; }
    const automation::Variant& FDocument() const { return m_document; }
    // Empty when the model space could not be read.
    const automation::Variant& FModelSpace() const { return m_modelSpace; }
    const TLayers* FLayers() const { return m_layers.get(); }
    const TLayers* FSavedLayers() const { return m_savedLayers.get(); }
    // The walker the CAD loaded into its own process for this connection
    // (ModelSpaceWalker.h); Empty where the walks run in the program.
    const automation::Variant& walker() const { return m_walker; }
    // Which CAD it is (CadApplications).
    const CadApplication& cadApplication() const { return *m_cad; }

    static constexpr int PollMilliseconds = 200;
    // What a command shows while the CAD is busy: at a prompt, running a
    // command, or refusing calls.
    static QString BusyText() { return QStringLiteral("Ожидание AutoCAD: завершите или отмените команду (Esc)"); }

private:
    void WaitUntilQuiescent();
    void attach();
    void takeDocument();
    void takeModelSpace();
    int32_t layerCapacity();
    void release() noexcept;
    automation::Variant idleState();

    automation::Variant m_application;
    automation::Variant m_document;
    automation::Variant m_modelSpace;
    automation::Variant m_walker;
    std::unique_ptr<TLayers> m_layers;
    std::unique_ptr<TLayers> m_savedLayers;
    const CadApplication* m_cad = nullptr; // which CAD it is
    // The idle query's name that this CAD answered (an index into its names),
    // or its dispatch identifier (the number of names); -1 before it has.
    int m_idleQuery = -1;
};
