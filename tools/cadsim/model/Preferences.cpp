#include "cadsim/model/Preferences.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

namespace cadsim {

using automation::Variant;

Preferences::Preferences(std::shared_ptr<SimulatorState> state)
    : ModelObject(std::move(state), ObjectKind::Preferences, members())
{
}

const ModelObject::MemberTable& Preferences::members()
{
    static const Members<Preferences> table = Members<Preferences>().property(u"Files", [](Preferences& o) {
        return Variant::dispatch(std::make_shared<PreferencesFiles>(o.sharedState()));
    });
    return table;
}

PreferencesFiles::PreferencesFiles(std::shared_ptr<SimulatorState> state)
    : ModelObject(std::move(state), ObjectKind::PreferencesFiles, members())
{
}

const ModelObject::MemberTable& PreferencesFiles::members()
{
    static const Members<PreferencesFiles> table = Members<PreferencesFiles>().property(
        u"SupportPath", [](PreferencesFiles& o) { return Variant::bstr(o.state().supportPath); },
        [](PreferencesFiles& o, const Variant& value) {
            if (value.type() != automation::VarType::BStr)
                throw automation::AutomationError(automation::hr::Disp_E_TypeMismatch, {});
            o.state().supportPath = value.toBStr();
            o.state().changed(Change::Settings);
        });
    return table;
}

} // namespace cadsim
