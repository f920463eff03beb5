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
            .collection([](Documents& o) { return o.state().documents.size(); },
                        [](Documents& o, size_t position) {
                            return Variant::dispatch(
                                std::make_shared<Document>(o.sharedState(), o.state().documents[position]));
                        },
                        [](Documents& o, const std::u16string& name) -> std::optional<size_t> {
                            const auto& documents = o.state().documents;
                            for (size_t i = 0; i < documents.size(); ++i)
                                if (equalsIgnoringCase(documents[i]->drawing.name(), name))
                                    return i;
                            return std::nullopt;
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
            })
            // Open(Name[, ReadOnly[, Password]]): the drawing file as a new
            // document, which becomes the active one. The file is held while
            // the document is open: shared when read only, exclusively
            // otherwise (ReadOnly left out is False). No drawing here is
            // encrypted: a password is taken and not needed.
            .method(u"Open", 1, 3, [](Documents& o, Args a) {
                const std::u16string path = args::text(a[0]);
                const bool readOnly = a.size() > 1 && !a[1].value().isOmitted() && a[1].value().toBool();
                SimulatorState& s = o.state();
                return Variant::dispatch(
                    std::make_shared<Document>(o.sharedState(), s.addDocument(s.readDrawingFile(path, readOnly))));
            });
    return table;
}

} // namespace cadsim
