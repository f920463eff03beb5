#include "ModelSpace.h"

#include "EntityObject.h"

namespace cadsim {

using automation::Args;
using automation::Variant;

ModelSpace::ModelSpace(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : ModelObject(std::move(state), ObjectKind::ModelSpace), m_document(std::move(document))
{
    property(u"Count", [this] { return Variant::i4(static_cast<int32_t>(m_document->drawing.entities().size())); });
    method(u"Item", 1, 1, [this](Args a) {
        const int64_t i = args::index(a[0]);
        const std::vector<Entity>& entities = m_document->drawing.entities();
        if (i < 0 || i >= static_cast<int64_t>(entities.size()))
            args::badIndex();
        return Variant::dispatch(
            std::make_shared<EntityObject>(sharedState(), m_document, entities[static_cast<size_t>(i)].handle));
    });
}

} // namespace cadsim
