#include "Layers.h"

#include "LayerObject.h"

namespace cadsim {

using automation::Args;
using automation::Variant;

Layers::Layers(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : ModelObject(std::move(state), ObjectKind::Layers), m_document(std::move(document))
{
    property(u"Count", [this] { return Variant::i4(static_cast<int32_t>(m_document->drawing.layers().size())); });
    method(u"Item", 1, 1, [this](Args a) {
        const Layer* layer = nullptr;
        if (a[0].value().type() == automation::VarType::BStr) {
            layer = m_document->drawing.layer(a[0].value().toBStr());
        } else {
            const int64_t i = args::index(a[0]);
            const std::vector<Layer>& layers = m_document->drawing.layers();
            if (i >= 0 && i < static_cast<int64_t>(layers.size()))
                layer = &layers[static_cast<size_t>(i)];
        }
        if (!layer)
            args::badIndex();
        return Variant::dispatch(std::make_shared<LayerObject>(sharedState(), m_document, layer->name));
    });
}

} // namespace cadsim
