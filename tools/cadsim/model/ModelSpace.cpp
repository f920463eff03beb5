#include "cadsim/model/ModelSpace.h"

#include "cadsim/model/EntityObject.h"

namespace cadsim {

using automation::Variant;

ModelSpace::ModelSpace(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : ModelObject(std::move(state), ObjectKind::ModelSpace, members()), m_document(std::move(document))
{
}

const ModelObject::MemberTable& ModelSpace::members()
{
    static const Members<ModelSpace> table = Members<ModelSpace>().collection(
        [](ModelSpace& o) { return o.m_document->drawing.entities().size(); },
        [](ModelSpace& o, size_t position) {
            return Variant::dispatch(std::make_shared<EntityObject>(
                o.sharedState(), o.m_document, o.m_document->drawing.entities()[position].handle, position));
        });
    return table;
}

} // namespace cadsim
