#pragma once

#include "cadsim/model/ModelObject.h"

namespace cadsim {

// The application object, the root that a client finds registered as the
// running CAD application.
class Application : public ModelObject {
public:
    explicit Application(std::shared_ptr<SimulatorState> state);

private:
    static const MemberTable& members();
    // The state object, asked for by the idle query's `name`.
    automation::Variant idleState(std::u16string_view name);
};

} // namespace cadsim
