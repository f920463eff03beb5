#include "LayerObject.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace cadsim {

using automation::AutomationError;
using automation::Variant;

LayerObject::LayerObject(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document,
                         std::u16string name)
    : ModelObject(std::move(state), ObjectKind::Layer), m_document(std::move(document)), m_name(std::move(name))
{
    property(u"Name", [this] { return Variant::bstr(layer().name); });
    flag(u"Lock", &Layer::locked);
    flag(u"Freeze", &Layer::frozen);
    flag(u"LayerOn", &Layer::on);
}

Layer& LayerObject::layer() const
{
    Layer* found = m_document->drawing.layer(m_name);
    if (!found)
        throw AutomationError(automation::hr::E_Fail, u"Object was erased");
    return *found;
}

void LayerObject::flag(std::u16string_view member, bool Layer::*field)
{
    property(
        member, [this, field] { return Variant::boolean(layer().*field); },
        [this, field](const Variant& value) {
            if (value.type() != automation::VarType::Bool)
                throw AutomationError(automation::hr::Disp_E_TypeMismatch, {});
            Layer& target = layer();
            if (target.*field != value.toBool()) {
                target.*field = value.toBool();
                state().changed(Change::Drawing);
            }
        });
}

} // namespace cadsim
