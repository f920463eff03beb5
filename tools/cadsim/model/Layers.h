#pragma once

#include "cadsim/model/ModelObject.h"

namespace cadsim {

// A document's layer table, by 0-based index or by name.
class Layers : public ModelObject {
public:
    Layers(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document);

private:
    static const MemberTable& members();

    std::shared_ptr<DocumentData> m_document;
};

} // namespace cadsim
