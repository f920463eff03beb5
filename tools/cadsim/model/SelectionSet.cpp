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
            .property(u"Count",
                      [](SelectionSet& o) {
                          return Variant::i4(static_cast<int32_t>(o.m_document->pickfirst.size()));
                      })
            .method(u"Item", 1, 1,
                    [](SelectionSet& o, Args a) {
                        const int64_t i = args::index(a[0]);
                        if (i < 0 || i >= static_cast<int64_t>(o.m_document->pickfirst.size()))
                            args::badIndex();
                        return Variant::dispatch(std::make_shared<EntityObject>(
                            o.sharedState(), o.m_document, o.m_document->pickfirst[static_cast<size_t>(i)]));
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
