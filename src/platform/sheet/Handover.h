#pragma once

#include "platform/sheet/StandIn.h"

namespace sheet {

// Hands a workbook over to the user: shows its cells to the inspector, writes
// them to a fresh .xlsx file in the folder and opens that file. Runs when the
// workbook's last reference goes, so it never throws: a failure is shown to
// the user as a message, as a spreadsheet application shows its own.
void handOver(const StandInOptions& options, const CellMap& cells) noexcept;

} // namespace sheet
