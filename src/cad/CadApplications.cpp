#include "cad/CadApplications.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/ObjectRegistry.h"

namespace {

// The ProgIDs of single releases, newest first: prefix + number + suffix.
std::vector<std::u16string> releases(std::u16string first, const std::u16string& prefix, int newest, int oldest,
                                     const std::u16string& suffix = {})
{
    std::vector<std::u16string> progIds{std::move(first)};
    for (int release = newest; release >= oldest; --release) {
        const std::string digits = std::to_string(release);
        progIds.push_back(prefix + std::u16string(digits.begin(), digits.end()) + suffix);
    }
    return progIds;
}

} // namespace

const std::vector<CadApplication>& CadApplications()
{
    // What the CADs' published type libraries name: the idle query has
    // dispatch identifier 0x2A in each of them.
    static const std::vector<CadApplication> cads = {
        {u"AutoCAD", {u"AutoCAD.Application"}, {u"GetAcadState"}, std::nullopt},
        {u"nanoCAD", releases(u"nanoCAD.Application", u"nanoCADx64.Application.", 25, 20, u".0"), {u"GetState"}, 0x2A},
        {u"ZWCAD", releases(u"ZWCAD.Application", u"ZWCAD.Application.", 2026, 2020), {u"GetZcadState"}, 0x2A},
        {u"BricsCAD", releases(u"BricscadApp.AcadApplication", u"BricscadApp.AcadApplication.", 25, 20, u".0"),
         {u"GetAcadState"}, 0x2A},
        {u"GstarCAD", releases(u"Gcad.Application", u"GStarCAD.Application.", 25, 20),
         {u"GetGcadState", u"GetAcadState"}, 0x2A},
    };
    return cads;
}

std::optional<RunningCad> FindRunningCad()
{
    for (const CadApplication& cad : CadApplications()) {
        for (const std::u16string& progId : cad.progIds) {
            try {
                if (automation::DispatchRef running = automation::activeObject(progId))
                    return RunningCad{std::move(running), &cad};
            } catch (const automation::AutomationError&) {
                // Not registered, or nothing runs under it: the next one.
                // One that runs but does not answer (a LinkFailure) is found,
                // and not ready: that passes to the caller.
            }
        }
    }
    return std::nullopt;
}
