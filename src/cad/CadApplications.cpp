#include "cad/CadApplications.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/ObjectRegistry.h"

namespace {

std::u16string number(int value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// prefix + release + suffix for each release from `newest` down to `oldest`.
std::vector<std::u16string> releases(const std::u16string& prefix, int newest, int oldest,
                                     const std::u16string& suffix = {})
{
    std::vector<std::u16string> progIds;
    for (int release = newest; release >= oldest; --release)
        progIds.push_back(prefix + number(release) + suffix);
    return progIds;
}

std::vector<std::u16string> joined(std::initializer_list<std::vector<std::u16string>> parts)
{
    std::vector<std::u16string> all;
    for (const std::vector<std::u16string>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace

const std::vector<CadApplication>& CadApplications()
{
    // What the CADs' published type libraries, interop assemblies and
    // vendors' pages name. A version-independent ProgID maps to one installed
    // release (the last registered, or the last used): a designer who runs
    // another one is found by its release's own name. The idle query has
    // dispatch identifier 0x2A in the type libraries of the CADs other than
    // AutoCAD that call it otherwise.
    static const std::vector<CadApplication> cads = {
        // R26.0 is 2027, by AutoCAD's published rule; R19.0 is 2013.
        {u"AutoCAD",
         joined({{u"AutoCAD.Application"},
                 {u"AutoCAD.Application.26.0", u"AutoCAD.Application.25.1", u"AutoCAD.Application.25.0",
                  u"AutoCAD.Application.24.3", u"AutoCAD.Application.24.2", u"AutoCAD.Application.24.1",
                  u"AutoCAD.Application.24.0", u"AutoCAD.Application.23.1", u"AutoCAD.Application.23.0",
                  u"AutoCAD.Application.22.0", u"AutoCAD.Application.21.0", u"AutoCAD.Application.20.1",
                  u"AutoCAD.Application.20.0", u"AutoCAD.Application.19.1", u"AutoCAD.Application.19.0"}}),
         {u"GetAcadState"}, std::nullopt, u"ObjectDBX.AxDbDocument."},
        // The 64-bit releases from 22 on (23.1 answers as 23.0); 21 and older
        // under the plain name. "nanoCAD.Application" binds to the one used last.
        {u"nanoCAD",
         joined({{u"nanoCAD.Application", u"nanoCADx64.Application", u"nanoCADx64.Application.26.0",
                  u"nanoCADx64.Application.25.0", u"nanoCADx64.Application.24.1"},
                 releases(u"nanoCADx64.Application.", 24, 20, u".0"),
                 releases(u"nanoCAD.Application.", 21, 20, u".0")}),
         {u"GetState"}, 0x2A},
        {u"ZWCAD", joined({{u"ZWCAD.Application"}, releases(u"ZWCAD.Application.", 2026, 2020)}), {u"GetZcadState"},
         0x2A, u"ObjectDBX.ZxDbDocument."},
        {u"BricsCAD",
         joined({{u"BricscadApp.AcadApplication"}, releases(u"BricscadApp.AcadApplication.", 26, 20, u".0")}),
         {u"GetAcadState"}, 0x2A},
        // Two families of names, each with its releases (24 and 26 are seen).
        {u"GstarCAD",
         joined({{u"Gcad.Application", u"GStarCAD.Application"}, releases(u"Gcad.Application.", 26, 20),
                 releases(u"GStarCAD.Application.", 26, 20)}),
         {u"GetGcadState", u"GetAcadState"}, 0x2A},
    };
    return cads;
}

std::optional<std::u16string> DrawingReaderProgId(const CadApplication& cad, const QString& version)
{
    if (cad.drawingReader.empty())
        return std::nullopt;
    // The release is the number the version text begins with: AutoCAD 2024
    // is "24.3s (LMS Tech)", its reader ObjectDBX.AxDbDocument.24.
    qsizetype digits = 0;
    while (digits < version.size() && digits < 6 && version[digits].isDigit())
        ++digits;
    if (digits == 0)
        return std::nullopt;
    return cad.drawingReader + version.left(digits).toStdU16String();
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
