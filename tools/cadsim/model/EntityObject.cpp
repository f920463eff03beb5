#include "EntityObject.h"

#include "Text.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace cadsim {

using automation::Args;
using automation::AutomationError;
using automation::Variant;
namespace hr = automation::hr;

EntityObject::EntityObject(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document,
                           std::u16string handle)
    : ModelObject(std::move(state), ObjectKind::Entity, handle), m_document(std::move(document)),
      m_handle(std::move(handle))
{
    property(u"EntityType", [this] { return Variant::i4(entity().entityType); });
    property(u"EntityName", [this] { return Variant::bstr(entity().dxfName); });
    property(u"Layer", [this] { return Variant::bstr(entity().layer); });
    property(u"ObjectID", [this] { return this->state().reportedObjectId(entity().objectId); });
    property(u"Handle", [this] { return Variant::bstr(entity().handle); });
    method(u"GetXData", 3, 3, [this](Args a) {
        getXData(a);
        return Variant();
    });
}

const Entity& EntityObject::entity() const
{
    const Entity* found = m_document->drawing.entity(m_handle);
    if (!found)
        throw AutomationError(hr::E_Fail, u"Object was erased");
    return *found;
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

    std::vector<Variant> codes;
    std::vector<Variant> values;
    for (const XDataGroup& group : entity().xdata) {
        if (!application.empty() && !equalsIgnoringCase(group.application, application))
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
