// The simulator as its command line sets it up, without starting the program.
#include "cadsim/app/CadProfile.h"
#include "cadsim/app/CadsimOptions.h"
#include "cadsim/app/CadsimSetup.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/Dispatch.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using automation::Variant;

namespace {

cadsim::CadsimOptions parsed(QStringList arguments)
{
    QString error;
    bool help = false;
    const std::optional<cadsim::CadsimOptions> options =
        cadsim::CadsimOptions::parse(QStringList{"cadsim"} + arguments + QStringList{"d.dxf"}, error, help);
    EXPECT_TRUE(options) << error.toStdString();
    return options.value_or(cadsim::CadsimOptions{});
}

TEST(CadsimSetup, AppliesEveryBehaviourTheCommandLineAsksFor)
{
    QTemporaryDir folder;
    cadsim::CadProfile profile(folder.filePath(QStringLiteral("cadsim.ini")));
    profile.save(QStringLiteral("/support/a;/support/b"), QStringLiteral("/trusted"));
    cadsim::Simulator sim(cadsim::Drawing(u"d.dxf"));
    cadsim::applyOptions(sim,
                         parsed({"--as", "zwcad", "--version-text", "2025 SP1", "--secureload", "2", "--no-variable",
                                 "fingerprintguid", "--locked-trustedpaths", "--idle-delay", "300"}),
                         profile, QStringLiteral("/opt/cadsim"), 16);

    const Variant app = sim.applicationVariant();
    const Variant doc = automation::get(app, u"ActiveDocument");
    EXPECT_EQ(sim.personality().key, u"zwcad");
    EXPECT_EQ(automation::get(app, u"Version"), Variant::bstr(u"2025 SP1")); // the option beats the CAD's own
    EXPECT_EQ(automation::get(app, u"Caption"), Variant::bstr(u"ZWCAD 2026 - [d.dxf]"));
    EXPECT_EQ(sim.supportPath(), u"/support/a;/support/b");
    EXPECT_EQ(sim.trustedPaths(), u"/trusted");
    EXPECT_EQ(automation::call(doc, u"getVariable", Variant::bstr(u"SECURELOAD")), Variant::i2(2));
    EXPECT_THROW(automation::call(doc, u"getVariable", Variant::bstr(u"FINGERPRINTGUID")), automation::AutomationError);
    EXPECT_THROW(automation::call(doc, u"setVariable", Variant::bstr(u"TRUSTEDPATHS"), Variant::bstr(u"/x")),
                 automation::AutomationError);
    EXPECT_EQ(sim.idleDelay(), std::chrono::milliseconds(300));
    EXPECT_EQ(sim.objectIdOffset(), 16);
}

// --refuse-calls-after turns the CAD busy once it has served that many
// calls, for --refuse-for; then it serves again.
TEST(CadsimSetup, TurnsBusyAfterTheCallsItWasToldToServe)
{
    QTemporaryDir folder;
    cadsim::CadProfile profile(folder.filePath(QStringLiteral("cadsim.ini")));
    cadsim::Simulator sim(cadsim::Drawing(u"d.dxf"));
    auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    sim.setClock([&] { return now; });
    cadsim::applyOptions(sim, parsed({"--refuse-calls-after", "3", "--refuse-for", "500"}), profile,
                         QStringLiteral("/opt/cadsim"), 0);

    const Variant app = sim.applicationVariant();
    for (int i = 0; i < 3; ++i)
        EXPECT_NO_THROW(automation::get(app, u"Version")) << i;
    EXPECT_THROW(automation::get(app, u"Version"), automation::CallRejected);
    EXPECT_THROW(automation::get(app, u"Caption"), automation::CallRejected);
    now += std::chrono::milliseconds(500);
    EXPECT_NO_THROW(automation::get(app, u"Version"));
    // Once only.
    for (int i = 0; i < 10; ++i)
        EXPECT_NO_THROW(automation::get(app, u"Caption")) << i;
}

// The drawings the CAD is asked to open are DXF files, whatever their
// extension; --no-drawing-reader takes its reader away.
TEST(CadsimSetup, OpensDrawingFilesAsDxfAndTakesTheReaderAwayOnRequest)
{
    QTemporaryDir folder;
    cadsim::CadProfile profile(folder.filePath(QStringLiteral("cadsim.ini")));
    QFile file(folder.filePath(QStringLiteral("sheet 2.dwg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0\nSECTION\n2\nHEADER\n9\n$FINGERPRINTGUID\n2\n{11111111-2222-4333-8444-555555555555}\n0\nENDSEC\n"
               "0\nSECTION\n2\nENTITIES\n0\nLINE\n5\n2A\n8\n0\n0\nENDSEC\n0\nEOF\n");
    file.close();
    const Variant path = Variant::bstr(file.fileName().toStdU16String());

    cadsim::Simulator sim(cadsim::Drawing(u"d.dxf"));
    cadsim::applyOptions(sim, parsed({}), profile, QStringLiteral("/opt/cadsim"), 0);
    const Variant app = sim.applicationVariant();
    const Variant reader = automation::call(app, u"GetInterfaceObject", Variant::bstr(u"ObjectDBX.AxDbDocument.24"));
    automation::call(reader, u"Open", path);
    EXPECT_EQ(automation::call(reader, u"GetVariable", Variant::bstr(u"FINGERPRINTGUID")),
              Variant::bstr(u"{11111111-2222-4333-8444-555555555555}"));
    EXPECT_EQ(automation::get(automation::get(reader, u"ModelSpace"), u"Count"), Variant::i4(1));
    const Variant opened = automation::call(automation::get(app, u"Documents"), u"Open", path, Variant::boolean(true));
    EXPECT_EQ(automation::get(opened, u"Name"), Variant::bstr(u"sheet 2.dwg"));

    cadsim::Simulator without(cadsim::Drawing(u"d.dxf"));
    cadsim::applyOptions(without, parsed({"--no-drawing-reader"}), profile, QStringLiteral("/opt/cadsim"), 0);
    EXPECT_THROW(automation::call(without.applicationVariant(), u"GetInterfaceObject",
                                  Variant::bstr(u"ObjectDBX.AxDbDocument.24")),
                 automation::AutomationError);
}

TEST(CadsimSetup, RefusesWhatNoCadWouldBe)
{
    for (const QStringList& wrong : {QStringList{"--as", "solidworks"}, QStringList{"--secureload", "3"},
                                     QStringList{"--idle-delay", "-1"}, QStringList{"--id-seed", "x"},
                                     QStringList{"--refuse-calls-after", "many"}, QStringList{"--refuse-for", "-5"},
                                     QStringList{"--progid", "Two Words"}}) {
        QString error;
        bool help = false;
        EXPECT_FALSE(cadsim::CadsimOptions::parse(QStringList{"cadsim"} + wrong + QStringList{"d.dxf"}, error, help))
            << wrong.join(' ').toStdString();
        EXPECT_TRUE(error.contains(wrong.front())) << error.toStdString();
    }
}

} // namespace
