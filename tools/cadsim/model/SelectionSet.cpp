#include "SelectionSet.h"

#include "EntityObject.h"

namespace cadsim {

using automation::Args;
using automation::Variant;

SelectionSet::SelectionSet(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : ModelObject(std::move(state), ObjectKind::SelectionSet), m_document(std::move(document))
{
    property(u"Name", [] { return Variant::bstr(u"PICKFIRST"); });
    property(u"Count", [this] { return Variant::i4(static_cast<int32_t>(m_document->pickfirst.size())); });
    method(u"Item", 1, 1, [this](Args a) {
        const int64_t i = args::index(a[0]);
        if (i < 0 || i >= static_cast<int64_t>(m_document->pickfirst.size()))
            args::badIndex();
        return Variant::dispatch(
            std::make_shared<EntityObject>(sharedState(), m_document, m_document->pickfirst[static_cast<size_t>(i)]));
    });
    method(u"Clear", 0, 0, [this](Args) {
        if (!m_document->pickfirst.empty()) {
            m_document->pickfirst.clear();
            this->state().changed(Change::Selection);
        }
        return Variant();
    });
}

} // namespace cadsim
