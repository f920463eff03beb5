#pragma once

#include "cadsim/model/ModelObject.h"

#include "platform/automation/DeclaredDispatchIds.h"

namespace cadsim {

// What GetAcadState answers: whether the CAD is idle. Each query reads the
// current state, so one object may be asked again and again. Under COM its
// IsQuiescent has the dispatch identifier of the CAD played, where known:
// the CADs number it differently, so a client must look the name up.
class CadState : public ModelObject, public automation::DeclaredDispatchIds {
public:
    explicit CadState(std::shared_ptr<SimulatorState> state);

    std::optional<int32_t> declaredDispatchId(std::u16string_view name) const override;
    std::optional<std::u16string> memberWithDispatchId(int32_t id) const override;

private:
    static const MemberTable& members();
    std::optional<int32_t> m_quiescentId;
};

} // namespace cadsim
