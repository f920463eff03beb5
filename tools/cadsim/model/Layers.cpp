#include "cadsim/model/Layers.h"

#include "cadsim/model/LayerObject.h"

namespace cadsim {

using automation::Args;
using automation::Variant;

Layers::Layers(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : ModelObject(std::move(state), ObjectKind::Layers, members()), m_document(std::move(document))
{
}

const ModelObject::MemberTable& Layers::members()
{
    static const Members<Layers> table =
        Members<Layers>()
            .property(u"Count",
                      [](Layers& o) {
                          return Variant::i4(static_cast<int32_t>(o.m_document->drawing.layers().size()));
                      })
            .method(u"Item", 1, 1, [](Layers& o, Args a) {
                const std::vector<Layer>& layers = o.m_document->drawing.layers();
                size_t position = layers.size();
                if (a[0].value().type() == automation::VarType::BStr) {
                    if (const Layer* layer = o.m_document->drawing.layer(a[0].value().toBStr()))
                        position = static_cast<size_t>(layer - layers.data());
                } else {
                    const int64_t i = args::index(a[0]);
                    if (i >= 0 && i < static_cast<int64_t>(layers.size()))
                        position = static_cast<size_t>(i);
                }
                if (position >= layers.size())
                    args::badIndex();
                return Variant::dispatch(std::make_shared<LayerObject>(o.sharedState(), o.m_document, position));
            });
    return table;
}

} // namespace cadsim
