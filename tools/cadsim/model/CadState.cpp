#include "CadState.h"

namespace cadsim {

using automation::Variant;

CadState::CadState(std::shared_ptr<SimulatorState> state) : ModelObject(std::move(state), ObjectKind::State)
{
    property(u"IsQuiescent", [this] { return Variant::boolean(this->state().quiescent()); });
}

} // namespace cadsim
