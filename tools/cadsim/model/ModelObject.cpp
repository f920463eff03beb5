#include "cadsim/model/ModelObject.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ServedCalls.h"

namespace cadsim {

using automation::Args;
using automation::AutomationError;
using automation::InvokeKind;
using automation::Variant;
using automation::VarType;
namespace hr = automation::hr;

ModelObject::ModelObject(std::shared_ptr<SimulatorState> state, ObjectKind kind, const MemberTable& members,
                         std::u16string handle)
    : TableObject(members), m_state(std::move(state)), m_kind(kind), m_handle(std::move(handle))
{
}

Variant ModelObject::invoke(std::u16string_view member, InvokeKind kind, Args args)
{
    automation::countInProcessInvocation();
    SimulatorState::Delivery delivery;
    Variant result;
    {
        std::unique_lock lock(m_state->mutex);
        try {
            m_state->admitCall(m_kind, m_handle, member, kind, args);
            checkUsable();
            result = TableObject::invoke(member, kind, args);
        } catch (...) {
            // A failed call may have changed the model part way: observers hear it.
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

namespace args {

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

} // namespace args

} // namespace cadsim
