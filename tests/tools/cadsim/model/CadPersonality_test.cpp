// The simulator plays the CADs that open AutoCAD's drawings, as a client of
// AutoCAD's automation model meets them.
#include "TestDrawing.h"

#include "cadsim/model/CadPersonality.h"
#include "cadsim/model/Simulator.h"
#include "sheetsim/SheetServer.h"

#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

#include <QString>

#include <gtest/gtest.h>

#include <set>

using namespace automation;
using namespace cadsim;
using cadsim::testing::failureCode;

namespace {

struct Played {
    const char16_t* key;
    const char16_t* caption;
    const char16_t* idleQuery;
    const char16_t* version;
};

class Playing : public ::testing::TestWithParam<Played> {};

TEST_P(Playing, ItsCaptionVersionAndIdleQueryAreThatCads)
{
    Simulator sim{cadsim::testing::sampleDrawing()};
    sim.setPersonality(*findCadPersonality(GetParam().key));
    const Variant app = sim.applicationVariant();
    EXPECT_EQ(get(app, u"Caption"), Variant::bstr(GetParam().caption));
    EXPECT_EQ(get(app, u"Version"), Variant::bstr(GetParam().version));
    EXPECT_EQ(get(get(app, GetParam().idleQuery), u"IsQuiescent"), Variant::boolean(true));
    for (const char16_t* other : {u"GetAcadState", u"GetState", u"GetZcadState", u"GetGcadState"}) {
        if (std::u16string_view(other) != GetParam().idleQuery) {
            EXPECT_EQ(failureCode([&] { get(app, other); }), hr::Disp_E_UnknownName)
                << QString::fromUtf16(other).toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cads, Playing,
    ::testing::Values(Played{u"autocad", u"cadsim - [pipes.dxf]", u"GetAcadState", u"24.1s (LMS Tech)"},
                      Played{u"nanocad", u"nanoCAD x64 23.0 - [pipes.dxf]", u"GetState", u"23.0"},
                      Played{u"zwcad", u"ZWCAD 2026 - [pipes.dxf]", u"GetZcadState", u"2026"},
                      Played{u"bricscad", u"BricsCAD V25 - [pipes.dxf]", u"GetAcadState", u"25.1.06 (x64)"},
                      Played{u"gstarcad", u"GstarCAD 2025 - [pipes.dxf]", u"GetAcadState", u"2025"}),
    [](const ::testing::TestParamInfo<Played>& info) { return QString::fromUtf16(info.param.key).toStdString(); });

// Registering or removing one simulator's class must leave every other
// one's registration, the spreadsheet stand-in's too, as it was.
TEST(Playing, EachCadHasAClassOfItsOwn)
{
    std::set<std::u16string> classes{sheetsim::ClassId};
    for (const CadPersonality& cad : cadPersonalities())
        EXPECT_TRUE(classes.insert(cad.classId).second) << QString::fromUtf16(cad.key.c_str()).toStdString();
}

// BricsCAD's LISP loads no compiled file: it says so on its command line, and
// the command runs to its end, so SendCommand succeeds.
TEST(Playing, BricsCadLoadsNoFasFileAndSaysSo)
{
    Simulator sim{cadsim::testing::sampleDrawing()};
    sim.setPersonality(*findCadPersonality(u"bricscad"));
    sim.setSupportPath(u"/nowhere");
    sim.setFileExists([](const std::u16string&) { return true; });
    std::vector<std::u16string> printed;
    sim.setCommandReport([&](const std::u16string& line) { printed.push_back(line); });
    const Variant doc = get(sim.applicationVariant(), u"ActiveDocument");
    call(doc, u"SendCommand", Variant::bstr(u"(load \"tr.fas\") "));
    EXPECT_TRUE(sim.loadedFiles().empty());
    EXPECT_EQ(printed, (std::vector<std::u16string>{u"ran (load \"tr.fas\") ", u"; error: LOAD failed: \"tr.fas\""}));
    call(doc, u"SendCommand", Variant::bstr(u"(load \"tr.lsp\") "));
    EXPECT_EQ(sim.loadedFiles().size(), 1u);
}

TEST(Playing, AVariableTheCadLacksFailsBothWays)
{
    Simulator sim{cadsim::testing::sampleDrawing()};
    sim.setMissingVariables({u"TRUSTEDPATHS", u"SECURELOAD"});
    const Variant doc = get(sim.applicationVariant(), u"ActiveDocument");
    EXPECT_EQ(failureCode([&] { call(doc, u"getVariable", Variant::bstr(u"TrustedPaths")); }), hr::E_InvalidArg);
    EXPECT_EQ(failureCode([&] { call(doc, u"setVariable", Variant::bstr(u"TRUSTEDPATHS"), Variant::bstr(u"/a")); }),
              hr::E_InvalidArg);
    EXPECT_EQ(failureCode([&] { call(doc, u"getVariable", Variant::bstr(u"SECURELOAD")); }), hr::E_InvalidArg);
    EXPECT_EQ(failureCode([&] { call(doc, u"getVariable", Variant::bstr(u"FINGERPRINTGUID")); }), 0);
}

} // namespace
