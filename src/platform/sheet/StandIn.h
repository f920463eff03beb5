#pragma once

#include "platform/automation/ObjectRegistry.h"
#include "platform/sheet/Cells.h"

#include <QString>

#include <functional>
#include <string_view>

namespace sheet {

// Opens a written workbook file the way the desktop opens a document.
using Opener = std::function<void(const QString& path)>;
// Sees the cells of every workbook handed over to the user, before it is written.
using Inspector = std::function<void(const CellMap& cells)>;

struct StandInOptions {
    // Where workbooks are written; empty means the user's temp folder at the
    // moment of writing.
    QString folder;
    // Empty means the desktop's default program (os::openWithDesktop,
    // waiting for its verdict). An opener that cannot show the file throws;
    // the user is then told where the file was saved.
    Opener opener;
    Inspector inspector;
};

inline constexpr std::u16string_view ProgId = u"Excel.Sheet";

// Registers the stand-in spreadsheet as the in-process class "Excel.Sheet",
// for platforms without COM. It answers the automation members the program
// uses (Application, Visible, Workbooks, Add, ActiveSheet, Cells). A workbook
// added through Workbooks.Add while the application is visible is handed to
// the user when its last reference goes, as a visible, unsaved workbook would
// stay open: it is written as an .xlsx file under a fresh name in the folder
// and opened with the opener. A failed write is shown as a message, and so
// is a file nothing could open, with its full path.
[[nodiscard]] automation::Registration registerStandIn(StandInOptions options = {});

// Registers the same class as the one createObject("Excel.Sheet") falls back
// on where the platform knows no spreadsheet application (Windows without
// one installed): the workbook is then written and opened exactly as above.
[[nodiscard]] automation::Registration registerStandInAsFallback(StandInOptions options = {});

// A new object of the class, as createObject("Excel.Sheet") would make it.
automation::DispatchRef createStandIn(StandInOptions options = {});

} // namespace sheet
