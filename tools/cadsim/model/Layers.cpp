#include "cadsim/model/Layers.h"

#include "cadsim/model/LayerObject.h"

namespace cadsim {

using automation::Variant;

Layers::Layers(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : ModelObject(std::move(state), ObjectKind::Layers, members()), m_document(std::move(document))
{
}

const ModelObject::MemberTable& Layers::members()
{
    static const Members<Layers> table = Members<Layers>().collection(
        [](Layers& o) { return o.m_document->drawing.layers().size(); },
        [](Layers& o, size_t position) {
            return Variant::dispatch(std::make_shared<LayerObject>(o.sharedState(), o.m_document, position));
        },
        [](Layers& o, const std::u16string& name) -> std::optional<size_t> {
            const Layer* layer = o.m_document->drawing.layer(name);
            if (!layer)
                return std::nullopt;
            return static_cast<size_t>(layer - o.m_document->drawing.layers().data());
        });
    return table;
}

} // namespace cadsim
