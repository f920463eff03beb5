#pragma once

#include "cadsim/model/ModelObject.h"

namespace cadsim {

// What GetAcadState answers: whether the CAD is idle. Each query reads the
// current state, so one object may be asked again and again.
class CadState : public ModelObject {
public:
    explicit CadState(std::shared_ptr<SimulatorState> state);

private:
    static const MemberTable& members();
};

} // namespace cadsim
