#pragma once

#include "cadsim/model/ModelObject.h"

namespace cadsim {

// The collection of open documents.
class Documents : public ModelObject {
public:
    explicit Documents(std::shared_ptr<SimulatorState> state);

private:
    static const MemberTable& members();
};

} // namespace cadsim
