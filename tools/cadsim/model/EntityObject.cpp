#include "cadsim/model/EntityObject.h"

#include "cadsim/model/Text.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace cadsim {

using automation::Args;
using automation::AutomationError;
using automation::Variant;
namespace hr = automation::hr;

EntityObject::EntityObject(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document,
                           std::u16string handle, size_t position)
    : ModelObject(std::move(state), ObjectKind::Entity, members(), std::move(handle)),
      m_document(std::move(document)), m_position(position)
{
}

const ModelObject::MemberTable& EntityObject::members()
{
    static const Members<EntityObject> table =
        Members<EntityObject>()
            .property(u"EntityType", [](EntityObject& o) { return Variant::i4(o.entity().entityType); })
            .property(u"EntityName", [](EntityObject& o) { return Variant::bstr(o.entity().dxfName); })
            .property(u"Layer", [](EntityObject& o) { return Variant::bstr(o.entity().layer); })
            .property(u"ObjectID", [](EntityObject& o) { return o.state().reportedObjectId(o.entity().objectId); })
            .property(u"Handle", [](EntityObject& o) { return Variant::bstr(o.entity().handle); })
            .method(u"GetXData", 3, 3, [](EntityObject& o, Args a) {
                o.getXData(a);
                return Variant();
            });
    return table;
}

const Entity& EntityObject::entity() const
{
    const std::vector<Entity>& entities = m_document->drawing.entities();
    // The handle is the drawing's own text, so an exact match is the entity.
    if (m_position < entities.size() && entities[m_position].handle == handle())
        return entities[m_position];
    const int64_t index = m_document->drawing.indexOf(handle());
    if (index < 0)
        throw AutomationError(hr::E_Fail, u"Object was erased");
    m_position = static_cast<size_t>(index);
    return entities[m_position];
}

Variant EntityObject::byHandle(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document,
                               const std::u16string& handle)
{
    const Entity* entity = document->drawing.entity(handle);
    if (!entity)
        throw AutomationError(hr::E_InvalidArg, u"Invalid handle: " + handle);
    return Variant::dispatch(std::make_shared<EntityObject>(std::move(state), document, entity->handle));
}

// GetXData(application, [out] types, [out] values). The answer starts with
// the 1001 group naming the application, as the CAD gives it; an empty name
// asks for the data of every application. No data leaves both outputs Empty.
void EntityObject::getXData(Args a) const
{
    const std::u16string application = args::text(a[0]);
    // Outputs passed by value would be dropped unseen; COM refuses such a
    // call to a method with [out] VARIANT* parameters.
    if (!a[1].isByRef() || !a[2].isByRef())
        throw AutomationError(hr::Disp_E_TypeMismatch, u"GetXData needs its outputs by reference");

    const std::vector<XDataGroup>& data = entity().xdata;
    const auto wanted = [&](const XDataGroup& group) {
        return application.empty() || equalsIgnoringCase(group.application, application);
    };
    // Sized up front: a harvest asks every solid, and growing costs more than counting.
    size_t size = 0;
    for (const XDataGroup& group : data)
        if (wanted(group))
            size += 1 + group.items.size();
    std::vector<Variant> codes;
    std::vector<Variant> values;
    codes.reserve(size);
    values.reserve(size);
    for (const XDataGroup& group : data) {
        if (!wanted(group))
            continue;
        codes.push_back(Variant::i2(1001));
        values.push_back(Variant::bstr(group.application));
        for (const XDataItem& item : group.items) {
            codes.push_back(Variant::i2(item.code));
            values.push_back(item.value);
        }
    }
    a[1].slot().clear();
    a[2].slot().clear();
    if (codes.empty())
        return;
    a[1].slot() = Variant::array(std::move(codes), 0);
    a[2].slot() = Variant::array(std::move(values), 0);
}

} // namespace cadsim
