#pragma once

#include "cadsim/model/ModelObject.h"

#include <cstddef>

namespace cadsim {

// One layer of a document's layer table. It stands for the layer by its
// name: it looks at the position it was made for first and, when another
// layer stands there, finds its layer again by name (failing once it is gone).
// The three flags can be written, as a user switches them.
class LayerObject : public ModelObject {
public:
    // The layer at `position` of the document's table, which must exist.
    LayerObject(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document, size_t position);

private:
    void checkUsable() const override { m_document->requireOpen(); }
    static const MemberTable& members();
    Layer& layer() const;
    template <bool Layer::*field>
    static automation::Variant getFlag(LayerObject& object);
    template <bool Layer::*field>
    static void setFlag(LayerObject& object, const automation::Variant& value);

    std::shared_ptr<DocumentData> m_document;
    std::u16string m_name;
    mutable size_t m_position; // a hint, used with the model's lock held
};

} // namespace cadsim
