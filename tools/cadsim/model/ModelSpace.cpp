#include "cadsim/model/ModelSpace.h"

#include "cadsim/model/EntityObject.h"

namespace cadsim {

using automation::Args;
using automation::Variant;

ModelSpace::ModelSpace(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : ModelObject(std::move(state), ObjectKind::ModelSpace, members()), m_document(std::move(document))
{
}

const ModelObject::MemberTable& ModelSpace::members()
{
    static const Members<ModelSpace> table =
        Members<ModelSpace>()
            .property(u"Count",
                      [](ModelSpace& o) {
                          return Variant::i4(static_cast<int32_t>(o.m_document->drawing.entities().size()));
                      })
            .method(u"Item", 1, 1, [](ModelSpace& o, Args a) {
                const int64_t i = args::index(a[0]);
                const std::vector<Entity>& entities = o.m_document->drawing.entities();
                if (i < 0 || i >= static_cast<int64_t>(entities.size()))
                    args::badIndex();
                const auto position = static_cast<size_t>(i);
                return Variant::dispatch(std::make_shared<EntityObject>(o.sharedState(), o.m_document,
                                                                        entities[position].handle, position));
            });
    return table;
}

} // namespace cadsim
