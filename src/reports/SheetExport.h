#pragma once

#include <QString>

#include <span>

class TSpecData;

namespace db {
class Dataset;
class Field;
} // namespace db

// How a field's value goes into its spreadsheet column.
enum class TExportKind {
    Text,        // a string; Null as the empty string
    WholeNumber, // a 32-bit integer, halfway values to the even neighbour; Null as 0
    Double,      // a double; Null as 0.0
};

struct TExportColumn {
    QString header;
    db::Field* field = nullptr;
    TExportKind kind = TExportKind::Text;
};

// Copies a table into a new workbook of the spreadsheet application ("Excel.Sheet"),
// made visible and left open for the user: a header row, then one row per
// record, from the first to the last; the table is left on its first row.
// Any failure, whatever its kind, ends the export with the one message
// "Не удается запустить Excel!!!" (a row being typed that will not post says
// its own words first); what was written stays in the workbook and the table
// stays where the failure left it. The user's "Отмена" ends it
// likewise, between two rows or two tries of a busy spreadsheet, without the
// message. Nothing is thrown.
void ExportToSpreadsheet(db::Dataset& source, std::span<const TExportColumn> columns) noexcept;

// The pipe list (TTruba of the data module): layer, length, outer and inner diameter.
void ExportPipeList(TSpecData& data) noexcept;
// The totals (VTruba of the data module): length, outer and inner diameter.
void ExportTotals(TSpecData& data) noexcept;
