#include "cadsim/model/SelectionSet.h"

#include "cadsim/model/EntityObject.h"

namespace cadsim {

using automation::Args;
using automation::Variant;

SelectionSet::SelectionSet(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : ModelObject(std::move(state), ObjectKind::SelectionSet, members()), m_document(std::move(document))
{
}

const ModelObject::MemberTable& SelectionSet::members()
{
    static const Members<SelectionSet> table =
        Members<SelectionSet>()
            .property(u"Name", [](SelectionSet&) { return Variant::bstr(u"PICKFIRST"); })
            .collection([](SelectionSet& o) { return o.m_document->pickfirst.size(); },
                        [](SelectionSet& o, size_t position) {
                            return Variant::dispatch(std::make_shared<EntityObject>(
                                o.sharedState(), o.m_document, o.m_document->pickfirst[position]));
                        })
            .method(u"Clear", 0, 0, [](SelectionSet& o, Args) {
                if (!o.m_document->pickfirst.empty()) {
                    o.m_document->pickfirst.clear();
                    o.state().changed(Change::Selection);
                }
                return Variant();
            });
    return table;
}

} // namespace cadsim
