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

ModelObject::ModelObject(std::shared_ptr<SimulatorState> state, ObjectKind kind, std::u16string handle)
    : m_state(std::move(state)), m_kind(kind), m_handle(std::move(handle))
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
            result = DispatchObject::invoke(member, kind, args);
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

void ModelObject::property(std::u16string_view name, Getter get, Setter set)
{
    define(name, [get = std::move(get), set = std::move(set)](InvokeKind kind, Args args) -> Variant {
        if (kind == InvokeKind::PropertyPut) {
            if (!set)
                throw AutomationError(hr::Disp_E_MemberNotFound, {});
            expectArgs(args, 1);
            set(args[0].value());
            return {};
        }
        if (kind == InvokeKind::Method)
            throw AutomationError(hr::Disp_E_MemberNotFound, {});
        expectArgs(args, 0);
        return get();
    });
}

void ModelObject::method(std::u16string_view name, size_t minArgs, size_t maxArgs, Method run)
{
    define(name, [minArgs, maxArgs, run = std::move(run)](InvokeKind kind, Args args) -> Variant {
        if (kind == InvokeKind::PropertyGet || kind == InvokeKind::PropertyPut)
            throw AutomationError(hr::Disp_E_MemberNotFound, {});
        if (args.size() < minArgs || args.size() > maxArgs)
            throw AutomationError(hr::Disp_E_BadParamCount, {});
        return run(args);
    });
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
