#include "Preferences.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace cadsim {

using automation::Variant;

Preferences::Preferences(std::shared_ptr<SimulatorState> state)
    : ModelObject(std::move(state), ObjectKind::Preferences)
{
    property(u"Files", [this] { return Variant::dispatch(std::make_shared<PreferencesFiles>(sharedState())); });
}

PreferencesFiles::PreferencesFiles(std::shared_ptr<SimulatorState> state)
    : ModelObject(std::move(state), ObjectKind::PreferencesFiles)
{
    property(
        u"SupportPath", [this] { return Variant::bstr(this->state().supportPath); },
        [this](const Variant& value) {
            if (value.type() != automation::VarType::BStr)
                throw automation::AutomationError(automation::hr::Disp_E_TypeMismatch, {});
            this->state().supportPath = value.toBStr();
            this->state().changed(Change::Settings);
        });
}

} // namespace cadsim
