#pragma once

#include "cadsim/model/ModelObject.h"

namespace cadsim {

// The entities of a document's model space, by 0-based index.
class ModelSpace : public ModelObject {
public:
    ModelSpace(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document);

private:
    static const MemberTable& members();

    std::shared_ptr<DocumentData> m_document;
};

} // namespace cadsim
