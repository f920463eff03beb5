#include "cadsim/model/CadState.h"

#include "cadsim/model/CadPersonality.h"
#include "cadsim/model/Text.h"

namespace cadsim {

using automation::Variant;

namespace {

constexpr std::u16string_view IsQuiescent = u"IsQuiescent";

} // namespace

CadState::CadState(std::shared_ptr<SimulatorState> state)
    : ModelObject(std::move(state), ObjectKind::State, members())
{
    // Read once: the CAD played does not change while its objects live.
    m_quiescentId = this->state().personality->isQuiescentId;
}

const ModelObject::MemberTable& CadState::members()
{
    static const Members<CadState> table = Members<CadState>().property(
        IsQuiescent, [](CadState& o) { return Variant::boolean(o.state().quiescent()); });
    return table;
}

std::optional<int32_t> CadState::declaredDispatchId(std::u16string_view name) const
{
    if (m_quiescentId && equalsIgnoringCase(IsQuiescent, name))
        return m_quiescentId;
    return std::nullopt;
}

std::optional<std::u16string> CadState::memberWithDispatchId(int32_t id) const
{
    if (m_quiescentId && *m_quiescentId == id)
        return std::u16string(IsQuiescent);
    return std::nullopt;
}

} // namespace cadsim
