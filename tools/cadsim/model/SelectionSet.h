#pragma once

#include "cadsim/model/ModelObject.h"

namespace cadsim {

// A document's pickfirst selection: the entities shown as selected.
class SelectionSet : public ModelObject {
public:
    SelectionSet(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document);

private:
    static const MemberTable& members();

    std::shared_ptr<DocumentData> m_document;
};

} // namespace cadsim
