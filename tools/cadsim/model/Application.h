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
};

} // namespace cadsim
