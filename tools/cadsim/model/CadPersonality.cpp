#include "cadsim/model/CadPersonality.h"

#include "cadsim/model/Text.h"

namespace cadsim {

const std::vector<CadPersonality>& cadPersonalities()
{
    // Each as its published type library and documentation describe it.
    static const std::vector<CadPersonality> all = {
        {u"autocad", u"cadsim", {u"AutoCAD.Application"}, u"{5E0A7C3D-91B4-4F62-8D1E-7A3C2B9F4E10}",
         u"GetAcadState", u"24.1s (LMS Tech)", true, u"ObjectDBX.AxDbDocument", 2},
        {u"nanocad", u"nanoCAD x64 23.0", {u"nanoCAD.Application", u"nanoCADx64.Application.23.0"},
         u"{5E0A7C3D-91B4-4F62-8D1E-7A3C2B9F4E21}", u"GetState", u"23.0", true, u"", 1},
        {u"zwcad", u"ZWCAD 2026", {u"ZWCAD.Application", u"ZWCAD.Application.2026"},
         u"{5E0A7C3D-91B4-4F62-8D1E-7A3C2B9F4E22}", u"GetZcadState", u"2026", true, u"ObjectDBX.ZxDbDocument"},
        {u"bricscad", u"BricsCAD V25", {u"BricscadApp.AcadApplication", u"BricscadApp.AcadApplication.25.0"},
         u"{5E0A7C3D-91B4-4F62-8D1E-7A3C2B9F4E23}", u"GetAcadState", u"25.1.06 (x64)", false},
        // A 2025 release: its type library names the query as AutoCAD's,
        // where older ones said GetGcadState.
        {u"gstarcad", u"GstarCAD 2025", {u"Gcad.Application", u"GStarCAD.Application.25"},
         u"{5E0A7C3D-91B4-4F62-8D1E-7A3C2B9F4E24}", u"GetAcadState", u"2025", true},
    };
    return all;
}

const CadPersonality* findCadPersonality(std::u16string_view key)
{
    for (const CadPersonality& personality : cadPersonalities())
        if (equalsIgnoringCase(personality.key, key))
            return &personality;
    return nullptr;
}

const CadPersonality& autocadPersonality() { return cadPersonalities().front(); }

std::optional<std::u16string> drawingReaderProgId(const CadPersonality& personality, std::u16string_view version)
{
    size_t digits = 0;
    while (digits < version.size() && version[digits] >= u'0' && version[digits] <= u'9')
        ++digits;
    if (personality.drawingReaderClass.empty() || digits == 0)
        return std::nullopt;
    return personality.drawingReaderClass + u"." + std::u16string(version.substr(0, digits));
}

} // namespace cadsim
