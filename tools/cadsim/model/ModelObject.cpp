#include "ModelObject.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace cadsim {

using automation::Args;
using automation::AutomationError;
using automation::InvokeKind;
using automation::Variant;
using automation::VarType;
namespace hr = automation::hr;

ModelObject::ModelObject(std::shared_ptr<SimulatorState> state, ObjectKind kind, const MemberTable& members,
                         std::u16string handle)
    : m_state(std::move(state)), m_members(members), m_kind(kind), m_handle(std::move(handle))
{
}

Variant ModelObject::invoke(std::u16string_view member, InvokeKind kind, Args args)
{
    SimulatorState::Delivery delivery;
    Variant result;
    {
        std::unique_lock lock(m_state->mutex);
        try {
            m_state->admitCall(m_kind, m_handle, member, kind, args);
            const MemberTable::Handler* handler = m_members.find(member);
            if (!handler)
                throw AutomationError(hr::Disp_E_UnknownName, {}, {}, std::u16string(member));
            result = (*handler)(*this, kind, args);
        } catch (...) {
            delivery = m_state->takeChanges();
            lock.unlock();
            delivery();
            throw;
        }
        delivery = m_state->takeChanges();
    }
    delivery();
    return result;
}

const ModelObject::MemberTable::Handler* ModelObject::MemberTable::find(std::u16string_view name) const
{
    for (const Entry& entry : m_entries)
        if (automation::sameMemberName(entry.name, name))
            return &entry.handler;
    return nullptr;
}

void ModelObject::MemberTable::add(std::u16string_view name, Handler handler)
{
    for (Entry& entry : m_entries) {
        if (automation::sameMemberName(entry.name, name)) {
            entry.handler = std::move(handler);
            return;
        }
    }
    m_entries.push_back({std::u16string(name), std::move(handler)});
}

bool ModelObject::MemberTable::admitProperty(InvokeKind kind, Args args, bool writable)
{
    if (kind == InvokeKind::PropertyPut) {
        if (!writable)
            throw AutomationError(hr::Disp_E_MemberNotFound, {});
        if (args.size() != 1)
            throw AutomationError(hr::Disp_E_BadParamCount, {});
        return true;
    }
    if (kind == InvokeKind::Method)
        throw AutomationError(hr::Disp_E_MemberNotFound, {});
    if (!args.empty())
        throw AutomationError(hr::Disp_E_BadParamCount, {});
    return false;
}

void ModelObject::MemberTable::admitMethod(InvokeKind kind, Args args, size_t minArgs, size_t maxArgs)
{
    if (kind == InvokeKind::PropertyGet || kind == InvokeKind::PropertyPut)
        throw AutomationError(hr::Disp_E_MemberNotFound, {});
    if (args.size() < minArgs || args.size() > maxArgs)
        throw AutomationError(hr::Disp_E_BadParamCount, {});
}

namespace args {

int64_t index(const automation::Arg& arg)
{
    const Variant& v = arg.value();
    switch (v.type()) {
    case VarType::I2:
    case VarType::I4:
    case VarType::I8: return v.toI8();
    default: throw AutomationError(hr::Disp_E_TypeMismatch, {});
    }
}

std::u16string text(const automation::Arg& arg)
{
    const Variant& v = arg.value();
    if (v.type() != VarType::BStr)
        throw AutomationError(hr::Disp_E_TypeMismatch, {});
    return v.toBStr();
}

bool boolean(const automation::Arg& arg)
{
    const Variant& v = arg.value();
    if (v.type() != VarType::Bool)
        throw AutomationError(hr::Disp_E_TypeMismatch, {});
    return v.toBool();
}

void badIndex()
{
    throw AutomationError(hr::Disp_E_BadIndex, u"Invalid index");
}

} // namespace args

} // namespace cadsim
