#include "platform/sheet/Workbook.h"

#include "platform/sheet/Application.h"
#include "platform/sheet/Handover.h"
#include "platform/sheet/SheetError.h"

#include <cmath>
#include <optional>

namespace sheet {

using automation::Args;
using automation::VarType;
using automation::Variant;

namespace {

int32_t checkedIndex(const Variant& index, int32_t limit)
{
    const int32_t value = index.toI4();
    if (value < 1 || value > limit)
        refuse(u"Application-defined or object-defined error");
    return value;
}

// The value as the cell keeps it; nullopt clears the cell.
std::optional<Variant> cellValue(const Variant& value)
{
    switch (value.type()) {
    case VarType::Empty:
    case VarType::Null: return std::nullopt;
    case VarType::I2:
    case VarType::I4:
    case VarType::I8:
    case VarType::Bool: return value;
    case VarType::R8:
        if (!std::isfinite(value.toR8()))
            refuse(u"Application-defined or object-defined error");
        return value;
    case VarType::BStr:
        if (value.toBStr().size() > static_cast<size_t>(MaxTextLength))
            refuse(u"Application-defined or object-defined error");
        return value;
    case VarType::Error:
        if (value.isOmitted())
            throw automation::AutomationError(automation::hr::Disp_E_ParamNotFound, {});
        break;
    case VarType::Array:
    case VarType::Dispatch: break;
    }
    throw automation::AutomationError(automation::hr::Disp_E_TypeMismatch, {});
}

} // namespace

Workbook::Workbook(std::shared_ptr<Application> application, Origin origin)
    : TableObject(members()), m_application(std::move(application)), m_origin(origin)
{
}

const automation::MemberTable& Workbook::members()
{
    static const automation::Members<Workbook> table =
        automation::Members<Workbook>()
            .property(u"Application", [](Workbook& w) { return Variant::dispatch(w.m_application); })
            .property(u"ActiveSheet",
                      [](Workbook& w) { return Variant::dispatch(std::make_shared<Worksheet>(w.shared_from_this())); });
    return table;
}

Workbook::~Workbook()
{
    if (m_origin == Origin::Added && m_application->isVisible())
        handOver(m_application->options(), m_cells);
}

void Workbook::setCell(const Variant& row, const Variant& column, const Variant& value)
{
    const CellAddress address{checkedIndex(row, MaxRows), checkedIndex(column, MaxColumns)};
    if (std::optional<Variant> kept = cellValue(value))
        m_cells[address] = std::move(*kept);
    else
        m_cells.erase(address);
}

Worksheet::Worksheet(std::shared_ptr<Workbook> workbook) : TableObject(members()), m_workbook(std::move(workbook))
{
}

const automation::MemberTable& Worksheet::members()
{
    static const automation::Members<Worksheet> table =
        automation::Members<Worksheet>()
            .property(u"Name", [](Worksheet&) { return Variant::bstr(std::u16string(SheetName)); })
            // Cells(row, column) = value. The row and column may come by
            // reference; they are read, never written back.
            .indexedProperty(u"Cells", 2, nullptr, [](Worksheet& s, Args at, const Variant& value) {
                s.m_workbook->setCell(at[0].value(), at[1].value(), value);
            });
    return table;
}

} // namespace sheet
