#pragma once

#include <QString>

#include <string>

namespace sheetsim {

// What sheetsim serves and where it writes. The class is its own, not the
// spreadsheet application's: only the ProgID "Excel.Sheet" is shared.
inline constexpr char16_t ProgId[] = u"Excel.Sheet";
inline constexpr char16_t ClassId[] = u"{5E0A7C3D-91B4-4F62-8D1E-7A3C2B9F4E11}";

// A spreadsheet application refuses calls while its user edits a cell; the
// stand-in does so, through COM's channel, for `ms` after every `cells`
// cells written (none when `cells` is 0).
struct BusyAfterCells {
    int cells = 0;
    int ms = 0;
};

// The command line COM runs to start this program (LocalServer32): the
// program itself, with the folder the workbooks go to when one is given, the
// refusals it is to make and the file it counts the calls it served in.
std::u16string serverCommand(const std::u16string& program, const QString& folder, BusyAfterCells busy = {},
                             const QString& callCountFile = {});

// Serves the class until nothing is held any more: from the first object
// made to the moment the last reference of every client is gone, or for
// `idleLimitMs` when no client comes at all. Workbooks go to `folder` (the
// user's temp folder when empty) and are opened by nobody: the client reads
// them there. Returns the exit code.
int serve(const QString& folder, unsigned idleLimitMs, BusyAfterCells busy = {});

} // namespace sheetsim
