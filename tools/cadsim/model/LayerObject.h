#pragma once

#include "ModelObject.h"

namespace cadsim {

// One layer of a document's layer table, found again by its name on each
// call. The three flags can be written, as a user switches them.
class LayerObject : public ModelObject {
public:
    LayerObject(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document,
                std::u16string name);

private:
    Layer& layer() const;
    void flag(std::u16string_view member, bool Layer::*field);

    std::shared_ptr<DocumentData> m_document;
    std::u16string m_name;
};

} // namespace cadsim
