#include "platform/automation/MemberTable.h"

#include "platform/automation/AsciiCase.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace automation {

const MemberTable::Handler* MemberTable::find(std::u16string_view name) const
{
    for (const Entry& entry : m_entries)
        if (sameMemberName(entry.name, name))
            return &entry.handler;
    return nullptr;
}

Variant MemberTable::invoke(Dispatch& object, std::u16string_view member, InvokeKind kind, Args args) const
{
    const Handler* handler = find(member);
    if (!handler)
        throw AutomationError(hr::Disp_E_UnknownName, {}, {}, std::u16string(member));
    return (*handler)(object, kind, args);
}

void MemberTable::add(std::u16string_view name, Handler handler)
{
    for (Entry& entry : m_entries) {
        if (sameMemberName(entry.name, name)) {
            entry.handler = std::move(handler);
            return;
        }
    }
    m_entries.push_back({std::u16string(name), std::move(handler)});
}

bool MemberTable::admitProperty(InvokeKind kind, Args args, size_t indexes, bool readable, bool writable)
{
    if (kind == InvokeKind::PropertyPut) {
        if (!writable)
            throw AutomationError(hr::Disp_E_MemberNotFound, {});
        if (args.size() != indexes + 1)
            throw AutomationError(hr::Disp_E_BadParamCount, {});
        return true;
    }
    if (kind == InvokeKind::Method || !readable)
        throw AutomationError(hr::Disp_E_MemberNotFound, {});
    if (args.size() != indexes)
        throw AutomationError(hr::Disp_E_BadParamCount, {});
    return false;
}

void MemberTable::admitMethod(InvokeKind kind, Args args, size_t minArgs, size_t maxArgs)
{
    if (kind == InvokeKind::PropertyGet || kind == InvokeKind::PropertyPut)
        throw AutomationError(hr::Disp_E_MemberNotFound, {});
    if (args.size() < minArgs || args.size() > maxArgs)
        throw AutomationError(hr::Disp_E_BadParamCount, {});
}

size_t MemberTable::itemPosition(const Variant& index, size_t count)
{
    switch (index.type()) {
    case VarType::I2:
    case VarType::I4:
    case VarType::I8: break;
    default: throw AutomationError(hr::Disp_E_TypeMismatch, {});
    }
    const int64_t i = index.toI8();
    if (i < 0 || static_cast<uint64_t>(i) >= count)
        badIndex();
    return static_cast<size_t>(i);
}

void MemberTable::badIndex() { throw AutomationError(hr::Disp_E_BadIndex, u"Invalid index"); }

Variant MemberTable::countValue(size_t count) { return Variant::i4(static_cast<int32_t>(count)); }

} // namespace automation
