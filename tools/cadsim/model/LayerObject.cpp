#include "cadsim/model/LayerObject.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace cadsim {

using automation::AutomationError;
using automation::Variant;

LayerObject::LayerObject(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document,
                         size_t position)
    : ModelObject(std::move(state), ObjectKind::Layer, members()), m_document(std::move(document)),
      m_name(m_document->drawing.layers().at(position).name), m_position(position)
{
}

const ModelObject::MemberTable& LayerObject::members()
{
    static const Members<LayerObject> table =
        Members<LayerObject>()
            .property(u"Name", [](LayerObject& o) { return Variant::bstr(o.layer().name); })
            .property(u"Lock", &getFlag<&Layer::locked>, &setFlag<&Layer::locked>)
            .property(u"Freeze", &getFlag<&Layer::frozen>, &setFlag<&Layer::frozen>)
            .property(u"LayerOn", &getFlag<&Layer::on>, &setFlag<&Layer::on>);
    return table;
}

Layer& LayerObject::layer() const
{
    Drawing& drawing = m_document->drawing;
    // The name is the table's own text, so an exact match is the layer.
    if (Layer* at = drawing.layerAt(m_position); at && at->name == m_name)
        return *at;
    Layer* found = drawing.layer(m_name);
    if (!found)
        throw AutomationError(automation::hr::E_Fail, u"Object was erased");
    m_position = static_cast<size_t>(found - drawing.layers().data());
    return *found;
}

template <bool Layer::*field>
Variant LayerObject::getFlag(LayerObject& object)
{
    return Variant::boolean(object.layer().*field);
}

template <bool Layer::*field>
void LayerObject::setFlag(LayerObject& object, const Variant& value)
{
    if (value.type() != automation::VarType::Bool)
        throw AutomationError(automation::hr::Disp_E_TypeMismatch, {});
    Layer& target = object.layer();
    if (target.*field != value.toBool()) {
        target.*field = value.toBool();
        object.state().changed(Change::Drawing);
    }
}

} // namespace cadsim
