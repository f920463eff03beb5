#include "reports/SheetExport.h"

#include "data/TSpecData.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/db/Dataset.h"
#include "platform/db/Field.h"
#include "platform/messages/MessageAbort.h"
#include "platform/messages/Messages.h"
#include "platform/messages/Progress.h"

#include <cstdint>
#include <limits>

using automation::Arg;
using automation::Variant;

namespace {

Variant cellValue(const TExportColumn& column)
{
    const db::Field& field = *column.field;
    switch (column.kind) {
    // As the grid shows it: a drawing by its file's name.
    case TExportKind::Text: return Variant::bstr(field.displayText().toStdU16String());
    case TExportKind::WholeNumber: {
        // Rounded as OLE turns a double into an integer: halfway values to the
        // even neighbour. A whole number beyond the cell's 32-bit integer
        // (a length typed with extra zeros, a drawing with a runaway pipe)
        // goes as a double of the same whole value, so that no stored row
        // can stop the export.
        if (field.isNull())
            return Variant::i4(0);
        const double whole = automation::roundHalfEven(field.asFloat());
        if (whole >= std::numeric_limits<int32_t>::min() && whole <= std::numeric_limits<int32_t>::max())
            return Variant::i4(static_cast<int32_t>(whole));
        return Variant::r8(whole);
    }
    case TExportKind::Double: return Variant::r8(field.asFloat());
    }
    return Variant();
}

void showExportFailure() { messages::showMessage(QStringLiteral("Не удается запустить Excel!!!")); }

} // namespace

void ExportToSpreadsheet(db::Dataset& source, std::span<const TExportColumn> columns) noexcept
{
    // The spreadsheet objects of the export. They outlive the protected block,
    // so they are let go after a failure message as well, once the user has
    // read it; the workbook then stays with the spreadsheet application.
    Variant sheetObject;
    Variant workbook;
    try {
        sheetObject = Variant::dispatch(automation::createObject(u"Excel.Sheet"));
        automation::put(automation::get(sheetObject, u"Application"), u"Visible", Variant::boolean(true));
        workbook = automation::call(automation::get(automation::get(sheetObject, u"Application"), u"Workbooks"),
                                    u"Add", Variant::omitted());

        // The row goes by reference, as a 32-bit integer; the active sheet is
        // asked for anew for every cell.
        Variant row = Variant::i4(1);
        auto putCell = [&](int32_t column, Variant value) {
            automation::put(automation::get(workbook, u"ActiveSheet"), u"Cells", Arg::ref(row),
                            Variant::i4(column), std::move(value));
        };

        for (size_t i = 0; i < columns.size(); ++i)
            putCell(static_cast<int32_t>(i + 1), Variant::bstr(columns[i].header.toStdU16String()));
        row = Variant::i4(row.toI4() + 1);

        // Moving posts a pending edit first, through the table's validation.
        source.first();
        progress::stage(QStringLiteral("Строка %1 из %2"));
        while (!source.eof()) {
            progress::step(source.recNo() + 1, source.recordCount());
            for (size_t i = 0; i < columns.size(); ++i)
                putCell(static_cast<int32_t>(i + 1), cellValue(columns[i]));
            row = Variant::i4(row.toI4() + 1);
            source.next();
            progress::throwIfCancelled();
        }
        source.first();
    } catch (const progress::Cancelled&) {
        // The user stopped the export: what was written stays in the
        // workbook, which goes to the spreadsheet as it is. Nothing to say.
    } catch (const MessageAbort& refusal) {
        // A refusal of the row being typed (the walk posts it) says its own
        // words first; the export's one message follows all the same.
        messages::showMessage(refusal.text());
        showExportFailure();
    } catch (...) {
        // The export is where its failures end, whatever they are.
        showExportFailure();
    }
}

void ExportPipeList(TSpecData& data) noexcept
{
    // The drawing each pipe belongs to, where the list holds several.
    const TExportColumn columns[] = {
        {QStringLiteral("Слой"), data.TTrubaFLayer, TExportKind::Text},
        {QStringLiteral("Длинна, мм"), data.TTrubaFLength, TExportKind::WholeNumber},
        {QStringLiteral("D наружный, мм"), data.TTrubaFRmax, TExportKind::Double},
        {QStringLiteral("D внутренний, мм"), data.TTrubaFRmin, TExportKind::Double},
        {QStringLiteral("Чертёж"), data.TTrubaFPath, TExportKind::Text},
    };
    const size_t shown = data.holdsSeveralDrawings() ? 5 : 4;
    ExportToSpreadsheet(*data.TTruba, std::span<const TExportColumn>(columns, shown));
}

void ExportTotals(TSpecData& data) noexcept
{
    const TExportColumn columns[] = {
        {QStringLiteral("Длинна, мм"), data.VTrubaFLength, TExportKind::WholeNumber},
        {QStringLiteral("D наружный, мм"), data.VTrubaFRmax, TExportKind::Double},
        {QStringLiteral("D внутренний, мм"), data.VTrubaFRmin, TExportKind::Double},
    };
    ExportToSpreadsheet(*data.VTruba, columns);
}
