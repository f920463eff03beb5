#include "Application.h"

#include "CadState.h"
#include "Document.h"
#include "Documents.h"
#include "Preferences.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace cadsim {

using automation::Args;
using automation::AutomationError;
using automation::Variant;

Application::Application(std::shared_ptr<SimulatorState> state)
    : ModelObject(std::move(state), ObjectKind::Application)
{
    property(u"ActiveDocument", [this] {
        if (!this->state().active)
            throw AutomationError(automation::hr::E_Fail, u"No document is open");
        return Variant::dispatch(std::make_shared<Document>(sharedState(), this->state().active));
    });
    property(u"Documents", [this] { return Variant::dispatch(std::make_shared<Documents>(sharedState())); });
    property(u"Version", [this] { return Variant::bstr(this->state().version); });
    property(u"Caption", [this] { return Variant::bstr(this->state().effectiveCaption()); });
    property(u"Preferences", [this] { return Variant::dispatch(std::make_shared<Preferences>(sharedState())); });
    method(u"GetAcadState", 0, 0,
           [this](Args) { return Variant::dispatch(std::make_shared<CadState>(sharedState())); });
}

} // namespace cadsim
