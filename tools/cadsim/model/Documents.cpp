#include "cadsim/model/Documents.h"

#include "cadsim/model/Document.h"
#include "cadsim/model/Text.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Utf8.h"

#include <string>

namespace cadsim {

using automation::Args;
using automation::Variant;

Documents::Documents(std::shared_ptr<SimulatorState> state)
    : ModelObject(std::move(state), ObjectKind::Documents, members())
{
}

const ModelObject::MemberTable& Documents::members()
{
    static const Members<Documents> table =
        Members<Documents>()
            .property(u"Count",
                      [](Documents& o) { return Variant::i4(static_cast<int32_t>(o.state().documents.size())); })
            .method(u"Item", 1, 1,
                    [](Documents& o, Args a) {
                        SimulatorState& s = o.state();
                        if (a[0].value().type() == automation::VarType::BStr) {
                            const std::u16string name = a[0].value().toBStr();
                            for (const auto& document : s.documents)
                                if (equalsIgnoringCase(document->drawing.name(), name))
                                    return Variant::dispatch(std::make_shared<Document>(o.sharedState(), document));
                            args::badIndex();
                        }
                        const int64_t i = args::index(a[0]);
                        if (i < 0 || i >= static_cast<int64_t>(s.documents.size()))
                            args::badIndex();
                        return Variant::dispatch(
                            std::make_shared<Document>(o.sharedState(), s.documents[static_cast<size_t>(i)]));
                    })
            // A new, empty drawing with the one layer every drawing has; it
            // becomes the active document. The argument names the template
            // file the drawing starts from, as the CAD's own does: left out,
            // the default template; one that is not there fails the call.
            .method(u"Add", 0, 1, [](Documents& o, Args a) {
                SimulatorState& s = o.state();
                const Variant templateName = a.empty() ? Variant::omitted() : a[0].value();
                s.documentTemplates.push_back(templateName);
                if (!templateName.isOmitted() && !s.fileExists(templateName.toBStr()))
                    throw automation::AutomationError(automation::hr::E_Fail, u"Template file not found: "
                                                                                 + templateName.toBStr());
                Drawing drawing(u"Drawing" + automation::fromUtf8(std::to_string(s.newDocumentNumber++)) + u".dwg");
                drawing.addLayer(u"0");
                return Variant::dispatch(std::make_shared<Document>(o.sharedState(), s.addDocument(std::move(drawing))));
            });
    return table;
}

} // namespace cadsim
