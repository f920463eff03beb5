// The CAD link against the simulated CAD application's object model, attached
// in-process as the running "AutoCAD.Application".

#include "cad/GetXDataValue.h"
#include "cad/SelectEntityById.h"
#include "cad/TAbstrAcadObj.h"
#include "cad/ResStrings.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/messages/EntryPoint.h"
#include "platform/os/FileCopy.h"

#include "CadTestEnvironment.h"
#include "support/FakeWindowSystem.h"
#include "support/MessageRecorder.h"

#include "cadsim/model/Simulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using automation::Variant;

cadsim::Entity entity(std::u16string handle, int64_t objectId)
{
    cadsim::Entity e;
    e.dxfName = u"3DSOLID";
    e.handle = std::move(handle);
    e.layer = u"0";
    e.objectId = objectId;
    return e;
}

class Cadsim : public ::testing::Test {
protected:
    void start(cadsim::Simulator simulator)
    {
        sim = std::move(simulator);
        running = automation::registerActiveObject(u"AutoCAD.Application", sim.application());
    }

    MessageRecorder recorder;
    CadTestEnvironment environment{QStringLiteral("/opt/vedoris"), u'/'};
    FakeWindowSystem::Installed desktop;
    cadsim::Simulator sim;
    automation::Registration running;
};

TEST_F(Cadsim, AttachTakesTheLayerTable)
{
    cadsim::Drawing drawing(u"Plant.dwg");
    drawing.addLayer(u"0");
    drawing.addLayer(cadsim::Layer{u"Трубы", true, false, true});
    drawing.addLayer(cadsim::Layer{u"Hidden", false, true, false});
    start(cadsim::Simulator(std::move(drawing)));

    TAbstrAcadObj acad;
    ASSERT_EQ(acad.FLayers()->Count(), 3);
    EXPECT_EQ(acad.FLayers()->Capacity(), 6);
    EXPECT_EQ(acad.FLayers()->Items(1), (TLayer{QStringLiteral("Трубы"), 1, true, false, true}));
    EXPECT_EQ(acad.FLayers()->Items(2), (TLayer{QStringLiteral("Hidden"), 2, false, true, false}));
    EXPECT_EQ(acad.FSavedLayers()->Items(2), acad.FLayers()->Items(2));
    EXPECT_TRUE(acad.FModelSpace().isDispatch());
    EXPECT_TRUE(recorder.all.isEmpty());
}

TEST_F(Cadsim, WithoutADocumentOneIsAdded)
{
    start(cadsim::Simulator());
    TAbstrAcadObj acad;
    EXPECT_EQ(sim.documentCount(), 1);
    EXPECT_EQ(sim.addedDocumentTemplates(), std::vector<Variant>{Variant::omitted()});
}

TEST_F(Cadsim, BusyCadIsNotReady)
{
    start(cadsim::Simulator(cadsim::Drawing(u"a.dwg")));
    sim.setBusy(true);
    EXPECT_FALSE(messages::runEntryPoint([] { TAbstrAcadObj acad; }));
    EXPECT_EQ(recorder.all, QStringList{ResStrings::text(ResStrings::SAcadNotReady)});
}

TEST_F(Cadsim, SelectsByTheWhole64BitId)
{
    const int64_t big = (int64_t{1} << 32) + 5;
    cadsim::Drawing drawing(u"a.dwg");
    drawing.addEntity(entity(u"1F", 5));
    drawing.addEntity(entity(u"2A", big));
    drawing.addEntity(entity(u"3B", 6));
    start(cadsim::Simulator(std::move(drawing)));
    sim.setSelectedHandles({u"3B"});
    desktop.fake().windows = {{1, QStringLiteral("Ведорис")}, {2, QStringLiteral("cadsim - [a.dwg]")}};

    SelectEntityById(big);
    EXPECT_EQ(sim.selectedHandles(), std::vector<std::u16string>{u"2A"});
    EXPECT_EQ(sim.commands(), std::vector<std::u16string>{u"(sssetfirst nil (ssadd (handent \"2A\"))) "});
    EXPECT_EQ(desktop.fake().foreground, QList<quint64>{2});

    SelectEntityById(5);
    EXPECT_EQ(sim.selectedHandles(), std::vector<std::u16string>{u"1F"});
    EXPECT_TRUE(recorder.all.isEmpty());
}

// Which drawing is open is asked first. A row of another drawing, whose
// ObjectIDs that drawing's session happens to repeat, selects nothing there
// and leaves the drawing's own selection alone; a row of this drawing, or
// one that knows no drawing (from an older file), is searched for.
TEST_F(Cadsim, ARowOfAnotherDrawingTouchesNothingInTheOpenOne)
{
    cadsim::Drawing drawing(u"a.dwg");
    drawing.setFingerprint(u"{11111111-2222-3333-4444-555555555555}");
    drawing.addEntity(entity(u"1F", 5));
    drawing.addEntity(entity(u"3B", 6));
    start(cadsim::Simulator(std::move(drawing)));
    desktop.fake().windows = {{2, QStringLiteral("cadsim - [a.dwg]")}};
    const struct {
        const char* name;
        QString drawing;
        std::vector<std::u16string> selected;
    } cases[] = {
        {"another drawing", QStringLiteral("{99999999-2222-3333-4444-555555555555}"), {u"3B"}},
        {"this drawing", QStringLiteral("{11111111-2222-3333-4444-555555555555}"), {u"1F"}},
        {"a row that knows no drawing", QString(), {u"1F"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim.setSelectedHandles({u"3B"});
        sim.clearRecords();
        SelectEntityById(5, QStringLiteral("1F"), c.drawing);
        EXPECT_EQ(sim.selectedHandles(), c.selected);
        EXPECT_EQ(sim.commands().size(), c.selected == std::vector<std::u16string>{u"3B"} ? 0u : 1u);
    }
    EXPECT_TRUE(recorder.all.isEmpty());
}

TEST_F(Cadsim, WaitsWhileTheCadStaysBusy)
{
    cadsim::Drawing drawing(u"a.dwg");
    drawing.addEntity(entity(u"1F", 5));
    start(cadsim::Simulator(std::move(drawing)));
    sim.setBusyQueriesPerCommand(3);
    SelectEntityById(5);
    EXPECT_EQ(sim.quiescenceQueries(), 5); // once before the command, then until idle
    EXPECT_EQ(environment.sleeps, QList<int>(4, 200));
}

TEST_F(Cadsim, ReadsPipeExtendedData)
{
    cadsim::Drawing drawing(u"a.dwg");
    drawing.addPipe(u"Трубы", 1200.0, 57.0, 50.0);
    start(cadsim::Simulator(std::move(drawing)));
    TAbstrAcadObj acad;
    const Variant pipe = automation::call(acad.FModelSpace(), u"Item", Variant::i4(0));
    EXPECT_EQ(GetXDataValue(pipe, QStringLiteral("trb"), 1070), Variant::i2(10));
    const Variant size = GetXDataValue(pipe, QStringLiteral("trb"), 1010);
    ASSERT_TRUE(size.isArray());
    EXPECT_EQ(size.at(0).toR8(), 1200.0);
    EXPECT_TRUE(GetXDataValue(pipe, QStringLiteral("other"), 1070).isNull());
}

// tr.fas is placed into a real support folder and the simulator loads it from there.
class CadsimInstall : public Cadsim {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("exe")));
        ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("support")));
        QFile file(exeFolder + QStringLiteral("/tr.fas"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("tr.fas placeholder");
        file.close();
        environment.exeFolder = exeFolder;
        environment.accepting = {supportFolder};
        start(cadsim::Simulator(cadsim::Drawing(u"a.dwg")));
    }

    void installAndLoad()
    {
        const CadEnvironment fake = setCadEnvironment(CadEnvironment{
            cadEnvironment().executableFolder, u'/', &os::copyFile, cadEnvironment().sleepMilliseconds});
        TAbstrAcadObj acad;
        acad.InstallSupportFile(QStringLiteral("tr.fas"), 2, true);
        acad.RunCommand(QStringLiteral("(load \"tr.fas\") "));
        setCadEnvironment(fake);
    }

    QTemporaryDir temp;
    QString exeFolder = temp.path() + QStringLiteral("/exe");
    QString supportFolder = temp.path() + QStringLiteral("/support");
};

TEST_F(CadsimInstall, CopiesIntoASupportFolderThatBecomesTrusted)
{
    sim.setSupportPath(supportFolder.toStdU16String());
    installAndLoad();
    EXPECT_TRUE(QFile::exists(supportFolder + QStringLiteral("/tr.fas")));
    // The program's own folder was made trusted as it attached, for its walker.
    EXPECT_EQ(sim.trustedPaths(), (exeFolder + u';' + supportFolder).toStdU16String());
    ASSERT_EQ(sim.loadedFiles().size(), 1u);
    EXPECT_EQ(sim.loadedFiles()[0].path, (supportFolder + QStringLiteral("/tr.fas")).toStdU16String());
    EXPECT_TRUE(recorder.all.isEmpty());
}

TEST_F(CadsimInstall, FallbackLoadsFromTheExecutablesFolder)
{
    const QString missing = temp.path() + QStringLiteral("/missing");
    sim.setSupportPath(missing.toStdU16String());
    installAndLoad();
    EXPECT_EQ(recorder.all, QStringList{QStringLiteral("Failures to copy file ") + exeFolder
                                        + QStringLiteral("/tr.fas\rby neither path:\r") + missing});
    EXPECT_EQ(sim.supportPath(), (missing + u';' + exeFolder).toStdU16String());
    EXPECT_EQ(sim.trustedPaths(), exeFolder.toStdU16String());
    ASSERT_EQ(sim.loadedFiles().size(), 1u);
    EXPECT_EQ(sim.loadedFiles()[0].path, (exeFolder + QStringLiteral("/tr.fas")).toStdU16String());

    // The next run succeeds in the executable's folder without a copy or a message.
    recorder.clear();
    installAndLoad();
    EXPECT_TRUE(recorder.all.isEmpty());
    EXPECT_EQ(sim.supportPath(), (missing + u';' + exeFolder).toStdU16String());
    EXPECT_EQ(sim.loadedFiles().size(), 2u);
}

} // namespace
