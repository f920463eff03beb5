#include "cadsim/app/CadsimWindow.h"
#include "cadsim/app/DxfReader.h"
#include "cadsim/app/EntityTableModel.h"

#include "platform/automation/Dispatch.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

using namespace cadsim;
using automation::Variant;

namespace {

Simulator pipes()
{
    Drawing d(u"pipes.dxf");
    d.addPipe(u"Трубы_ХВС", 1000, 25, 20);
    d.addSolid(u"Оборудование");
    d.addLine(u"0");
    return Simulator(std::move(d));
}

TEST(CadsimWindow, IsTitledWithTheCaptionAndListsTheEntities)
{
    CadsimWindow window(pipes(), 0);
    QAbstractItemModelTester tester(window.entityModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(window.windowTitle(), "cadsim - [pipes.dxf]");
    ASSERT_EQ(window.entityModel()->rowCount(), 3);
    EXPECT_EQ(window.entityModel()->index(0, 2).data().toString(), "Трубы_ХВС");
    EXPECT_EQ(window.entityModel()->index(0, 6).data().toString(), "50");
    EXPECT_EQ(window.entityModel()->index(0, 7).data().toString(), "40");
}

TEST(CadsimWindow, HighlightsASelectionMadeByAClientOnAnotherThread)
{
    Simulator simulator = pipes();
    CadsimWindow window(simulator, 0);
    const std::u16string handle = simulator.activeDrawing().entities()[1].handle;
    // A client's command is served on a connection thread.
    std::thread client([&] {
        const Variant document = automation::get(simulator.applicationVariant(), u"ActiveDocument");
        Variant command = Variant::bstr(u"(sssetfirst nil (ssadd (handent \"" + handle + u"\"))) ");
        automation::call(document, u"SendCommand", automation::Arg::ref(command));
    });
    client.join();
    QTRY_VERIFY_WITH_TIMEOUT(window.entityModel()->isSelected(1), 5000);
    EXPECT_FALSE(window.entityModel()->isSelected(0));
    EXPECT_TRUE(window.entityModel()->index(1, 0).data(Qt::FontRole).value<QFont>().bold());

    simulator.setSelectedHandles({});
    QTRY_VERIFY_WITH_TIMEOUT(!window.entityModel()->isSelected(1), 5000);
}

TEST(CadsimWindow, RowsPickedInTheWindowBecomeThePickfirstSelection)
{
    Simulator simulator = pipes();
    CadsimWindow window(simulator, 0);
    auto* view = window.findChild<QTableView*>();
    ASSERT_NE(view, nullptr);
    view->selectRow(2);
    EXPECT_EQ(simulator.selectedHandles(), std::vector<std::u16string>{simulator.activeDrawing().entities()[2].handle});
}

// A drawing a client opens in the editor is shown while it is the active
// one; once it is closed, the drawing active before it is shown again.
TEST(CadsimWindow, ShowsTheActiveDrawingAsClientsOpenAndCloseDocuments)
{
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("sheet.dwg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0\nSECTION\n2\nENTITIES\n0\nLINE\n5\n2A\n8\nРазмеры\n0\nENDSEC\n0\nEOF\n");
    file.close();
    Simulator simulator = pipes();
    simulator.setDrawingLoader([](const std::u16string& path) { return readDxfFile(path); });
    CadsimWindow window(simulator, 0);
    Variant opened;
    std::thread client([&] {
        opened = automation::call(automation::get(simulator.applicationVariant(), u"Documents"), u"Open",
                                  Variant::bstr(file.fileName().toStdU16String()), Variant::boolean(true));
    });
    client.join();
    QTRY_COMPARE_WITH_TIMEOUT(window.entityModel()->rowCount(), 1, 5000);
    EXPECT_EQ(window.entityModel()->index(0, 2).data().toString(), "Размеры");
    EXPECT_EQ(window.windowTitle(), "cadsim - [sheet.dwg]");

    std::thread closing([&] { automation::call(opened, u"Close", Variant::boolean(false)); });
    closing.join();
    QTRY_COMPARE_WITH_TIMEOUT(window.entityModel()->rowCount(), 3, 5000);
    EXPECT_EQ(window.windowTitle(), "cadsim - [pipes.dxf]");
}

TEST(CadsimWindow, TellsWhenAClientChangesTheProfileSettings)
{
    Simulator simulator = pipes();
    CadsimWindow window(simulator, 0);
    QSignalSpy changed(&window, &CadsimWindow::settingsChanged);
    std::thread client([&] {
        const Variant files = automation::get(automation::get(simulator.applicationVariant(), u"Preferences"), u"Files");
        automation::put(files, u"SupportPath", Variant::bstr(u"C:\\A"));
    });
    client.join();
    EXPECT_TRUE(changed.wait(5000) || changed.count() > 0);
}

} // namespace
