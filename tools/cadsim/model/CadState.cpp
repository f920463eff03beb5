#include "cadsim/model/CadState.h"

namespace cadsim {

using automation::Variant;

CadState::CadState(std::shared_ptr<SimulatorState> state)
    : ModelObject(std::move(state), ObjectKind::State, members())
{
}

const ModelObject::MemberTable& CadState::members()
{
    static const Members<CadState> table = Members<CadState>().property(
        u"IsQuiescent", [](CadState& o) { return Variant::boolean(o.state().quiescent()); });
    return table;
}

} // namespace cadsim
