#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace cadsim {

// The simulator program's command line.
struct CadsimOptions {
    QString drawing;                     // the DXF file to open
    std::optional<QString> versionText;  // --version-text: what Version answers
    bool busy = false;                   // --busy: every call refused
    bool bigIds = false;                 // --big-ids: ObjectIDs above 32 bits
    int idleDelayMs = 0;                 // --idle-delay: busy this long after a command
    int busyAfterCommandMs = 0;          // --busy-after-command: calls refused this long after a command
    std::optional<int> refuseCallsAfter; // --refuse-calls-after: calls refused once this many were served ...
    int refuseForMs = 10'000;            // --refuse-for: ... for this long
    bool userCommand = false;            // --user-command: the user's own command waits at a prompt
    std::optional<int> userCommandMs;    // --user-command-ms: ... and ends by itself after this long
    std::optional<uint32_t> idSeed;      // --id-seed: ObjectIDs as in an earlier run with this seed
    bool lockedTrustedPaths = false;     // --locked-trustedpaths: TRUSTEDPATHS cannot be set
    int secureLoad = 1;                  // --secureload: 0 loads any library, 1 asks, 2 refuses untrusted folders
    bool interfaceObjects = true;        // --no-interface-objects: GetInterfaceObject refused
    bool drawingReader = true;           // --no-drawing-reader: the CAD has no drawing reader
    QString as = QStringLiteral("autocad"); // --as: the CAD it plays (CadPersonality)
    std::optional<QString> progId;       // --progid: the one ProgID it answers under, instead of the CAD's
    QStringList missingVariables;        // --no-variable NAME (repeatable): the CAD has no such variable
    bool list = false;                   // --list: print the entities and exit
    std::optional<QString> supportPath;  // --support-path: replaces the stored one
    QString settingsFile;                // --settings: the profile file; empty for the user's own
    std::optional<QString> callCountFile; // --count-calls: where the calls served are counted at exit

    // Parses the arguments (the program name first). A usage error gives
    // nothing and puts its text in `error`; --help puts the help text there
    // and sets `helpAsked`.
    static std::optional<CadsimOptions> parse(const QStringList& arguments, QString& error, bool& helpAsked);
};

} // namespace cadsim
