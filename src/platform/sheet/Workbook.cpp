#include "platform/sheet/Workbook.h"

#include "platform/sheet/Application.h"
#include "platform/sheet/Handover.h"
#include "platform/sheet/Members.h"

#include <cmath>
#include <optional>

namespace sheet {

using automation::Args;
using automation::InvokeKind;
using automation::VarType;
using automation::Variant;

namespace {

int32_t checkedIndex(const Variant& index, int32_t limit)
{
    const int32_t value = index.toI4();
    if (value < 1 || value > limit)
        members::refuse(u"Application-defined or object-defined error");
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
            members::refuse(u"Application-defined or object-defined error");
        return value;
    case VarType::BStr:
        if (value.toBStr().size() > static_cast<size_t>(MaxTextLength))
            members::refuse(u"Application-defined or object-defined error");
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
    : m_application(std::move(application)), m_origin(origin)
{
    define(u"Application", [this](InvokeKind kind, Args args) {
        members::expectGet(kind);
        members::expectCount(args, 0);
        return Variant::dispatch(m_application);
    });
    define(u"ActiveSheet", [this](InvokeKind kind, Args args) {
        members::expectGet(kind);
        members::expectCount(args, 0);
        return Variant::dispatch(std::make_shared<Worksheet>(shared_from_this()));
    });
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

Worksheet::Worksheet(std::shared_ptr<Workbook> workbook) : m_workbook(std::move(workbook))
{
    define(u"Name", [](InvokeKind kind, Args args) {
        members::expectGet(kind);
        members::expectCount(args, 0);
        return Variant::bstr(std::u16string(SheetName));
    });
    // Cells(row, column) = value. The row and column may come by reference;
    // they are read, never written back.
    define(u"Cells", [this](InvokeKind kind, Args args) {
        if (kind != InvokeKind::PropertyPut)
            throw automation::AutomationError(automation::hr::Disp_E_MemberNotFound, {});
        members::expectCount(args, 3);
        m_workbook->setCell(args[0].value(), args[1].value(), args[2].value());
        return Variant();
    });
}

} // namespace sheet
