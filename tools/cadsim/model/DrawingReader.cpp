#include "cadsim/model/DrawingReader.h"

#include "cadsim/model/DocumentCollections.h"
#include "cadsim/model/EntityObject.h"
#include "cadsim/model/Text.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace cadsim {

using automation::Args;
using automation::AutomationError;
using automation::Variant;
namespace hr = automation::hr;

DrawingReader::DrawingReader(std::shared_ptr<SimulatorState> state)
    : ModelObject(std::move(state), ObjectKind::DrawingReader, members())
{
}

const ModelObject::MemberTable& DrawingReader::members()
{
    static const Members<DrawingReader> table =
        Members<DrawingReader>()
            // Open(FileName[, Password]), once per reader. The file is read
            // whatever its extension; no drawing here is encrypted.
            .method(u"Open", 1, 2,
                    [](DrawingReader& o, Args a) {
                        const std::u16string path = args::text(a[0]);
                        if (o.m_drawing)
                            throw AutomationError(hr::E_Fail, u"This reader has a drawing open already: "
                                                                  + o.m_drawing->fullName);
                        std::shared_ptr<DocumentData> drawing = o.state().readDrawingFile(path, true);
                        auto& held = o.state().readerDrawings;
                        std::erase_if(held, [](const std::weak_ptr<DocumentData>& d) { return d.expired(); });
                        held.push_back(drawing);
                        o.m_drawing = std::move(drawing);
                        return Variant();
                    })
            // The path the drawing was opened from.
            .property(u"Name", [](DrawingReader& o) { return Variant::bstr(o.drawing()->fullName); })
            .property(u"ModelSpace",
                      [](DrawingReader& o) {
                          return Variant::dispatch(std::make_shared<ModelSpace>(o.sharedState(), o.drawing()));
                      })
            .property(u"Layers",
                      [](DrawingReader& o) {
                          return Variant::dispatch(std::make_shared<Layers>(o.sharedState(), o.drawing()));
                      })
            .method(u"HandleToObject", 1, 1,
                    [](DrawingReader& o, Args a) {
                        return EntityObject::byHandle(o.sharedState(), o.drawing(), args::text(a[0]));
                    })
            // The drawing's own header: its identity, as saved.
            .method(u"GetVariable", 1, 1,
                    [](DrawingReader& o, Args a) {
                        const std::u16string name = args::text(a[0]);
                        const DocumentData& drawing = *o.drawing();
                        o.state().requireVariable(name, u"Error getting system variable");
                        if (!equalsIgnoringCase(name, u"FINGERPRINTGUID"))
                            throw AutomationError(hr::E_InvalidArg, u"Error getting system variable");
                        return Variant::bstr(drawing.drawing.fingerprint());
                    })
            .method(u"Save", 0, 0,
                    [](DrawingReader& o, Args) -> Variant {
                        throw AutomationError(hr::E_Fail, u"The drawing is open read only and cannot be saved: "
                                                              + o.drawing()->fullName);
                    })
            .method(u"SaveAs", 1, 2, [](DrawingReader& o, Args) -> Variant {
                throw AutomationError(hr::E_Fail,
                                      u"The drawing is open read only and cannot be saved: " + o.drawing()->fullName);
            });
    return table;
}

const std::shared_ptr<DocumentData>& DrawingReader::drawing() const
{
    if (!m_drawing)
        throw AutomationError(hr::E_Fail, u"No drawing is open in this reader: Open one first");
    return m_drawing;
}

std::optional<Variant> drawingReaderFor(const std::shared_ptr<SimulatorState>& state, const std::u16string& progId)
{
    const std::optional<std::u16string> reader = drawingReaderProgId(*state->personality, state->version);
    if (!reader || !equalsIgnoringCase(*reader, progId))
        return std::nullopt;
    if (!state->drawingReaderAllowed)
        throw AutomationError(hr::E_Fail, u"Problem in loading application");
    return Variant::dispatch(std::make_shared<DrawingReader>(state));
}

} // namespace cadsim
