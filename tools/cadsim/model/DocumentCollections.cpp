#include "cadsim/model/DocumentCollections.h"

#include "cadsim/model/EntityObject.h"
#include "cadsim/model/LayerObject.h"

namespace cadsim {

using automation::Args;
using automation::Variant;

ModelSpace::ModelSpace(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : DocumentPart(std::move(state), std::move(document), ObjectKind::ModelSpace, members())
{
}

const ModelObject::MemberTable& ModelSpace::members()
{
    static const Members<ModelSpace> table = Members<ModelSpace>().collection(
        [](ModelSpace& o) { return o.document().drawing.entities().size(); },
        [](ModelSpace& o, size_t position) {
            return Variant::dispatch(std::make_shared<EntityObject>(
                o.sharedState(), o.sharedDocument(), o.document().drawing.entities()[position].handle, position));
        });
    return table;
}

Layers::Layers(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : DocumentPart(std::move(state), std::move(document), ObjectKind::Layers, members())
{
}

const ModelObject::MemberTable& Layers::members()
{
    static const Members<Layers> table = Members<Layers>().collection(
        [](Layers& o) { return o.document().drawing.layers().size(); },
        [](Layers& o, size_t position) {
            return Variant::dispatch(std::make_shared<LayerObject>(o.sharedState(), o.sharedDocument(), position));
        },
        [](Layers& o, const std::u16string& name) -> std::optional<size_t> {
            const Layer* layer = o.document().drawing.layer(name);
            if (!layer)
                return std::nullopt;
            return static_cast<size_t>(layer - o.document().drawing.layers().data());
        });
    return table;
}

SelectionSet::SelectionSet(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : DocumentPart(std::move(state), std::move(document), ObjectKind::SelectionSet, members())
{
}

const ModelObject::MemberTable& SelectionSet::members()
{
    static const Members<SelectionSet> table =
        Members<SelectionSet>()
            .property(u"Name", [](SelectionSet&) { return Variant::bstr(u"PICKFIRST"); })
            .collection([](SelectionSet& o) { return o.document().pickfirst.size(); },
                        [](SelectionSet& o, size_t position) {
                            return Variant::dispatch(std::make_shared<EntityObject>(
                                o.sharedState(), o.sharedDocument(), o.document().pickfirst[position]));
                        })
            .method(u"Clear", 0, 0, [](SelectionSet& o, Args) {
                if (!o.document().pickfirst.empty()) {
                    o.document().pickfirst.clear();
                    o.state().changed(Change::Selection);
                }
                return Variant();
            });
    return table;
}

} // namespace cadsim
