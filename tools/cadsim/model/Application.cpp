#include "cadsim/model/Application.h"

#include "cadsim/model/CadState.h"
#include "cadsim/model/Document.h"
#include "cadsim/model/Documents.h"
#include "cadsim/model/InterfaceObjects.h"
#include "cadsim/model/Preferences.h"
#include "cadsim/model/Text.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace cadsim {

using automation::Args;
using automation::AutomationError;
using automation::Variant;

Application::Application(std::shared_ptr<SimulatorState> state)
    : ModelObject(std::move(state), ObjectKind::Application, members())
{
}

const ModelObject::MemberTable& Application::members()
{
    static const Members<Application> table =
        Members<Application>()
            .property(u"ActiveDocument",
                      [](Application& o) {
                          if (!o.state().active)
                              throw AutomationError(automation::hr::E_Fail, u"No document is open");
                          return Variant::dispatch(std::make_shared<Document>(o.sharedState(), o.state().active));
                      })
            .property(u"Documents",
                      [](Application& o) { return Variant::dispatch(std::make_shared<Documents>(o.sharedState())); })
            .property(u"Version", [](Application& o) { return Variant::bstr(o.state().version); })
            .property(u"Caption", [](Application& o) { return Variant::bstr(o.state().effectiveCaption()); })
            .property(u"Preferences",
                      [](Application& o) { return Variant::dispatch(std::make_shared<Preferences>(o.sharedState())); })
            // The idle query, by each name a CAD gives it; the CAD played
            // answers to its own name only, as a lookup of another fails there.
            .method(u"GetAcadState", 0, 0, [](Application& o, Args) { return o.idleState(u"GetAcadState"); })
            .method(u"GetState", 0, 0, [](Application& o, Args) { return o.idleState(u"GetState"); })
            .method(u"GetZcadState", 0, 0, [](Application& o, Args) { return o.idleState(u"GetZcadState"); })
            .method(u"GetGcadState", 0, 0, [](Application& o, Args) { return o.idleState(u"GetGcadState"); })
            .method(u"GetInterfaceObject", 1, 1, [](Application& o, Args a) {
                return getInterfaceObject(o.sharedState(), args::text(a[0]));
            });
    return table;
}

Variant Application::idleState(std::u16string_view name)
{
    if (!equalsIgnoringCase(state().personality->idleQuery, name))
        throw AutomationError(automation::hr::Disp_E_UnknownName, u"Unknown name", {}, std::u16string(name));
    return Variant::dispatch(std::make_shared<CadState>(sharedState()));
}

} // namespace cadsim
