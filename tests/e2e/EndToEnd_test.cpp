// The whole program against a CAD application running in another process:
// the CAD simulator is started on a drawing this test writes, and the real
// main window's commands harvest the pipes, select one in the drawing and
// export both lists to spreadsheet files.
#include "platform/messages/EntryPoint.h"
#include "app/Session.h"
#include "app/TWMain.h"
#include "app/TWProgress.h"
#include "data/TSpecData.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/remote/ClientBackend.h"
#include "platform/db/Dataset.h"
#include "platform/sheet/StandIn.h"
#include "reports/TWSumTruba.h"
#include "support/CadsimProcess.h"
#include "support/MessageRecorder.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <signal.h>

using namespace automation;

namespace {

// Two pipe sizes on two Cyrillic layers (code page 1251), a pipe whose kind
// is a 32-bit integer (not a pipe), and a line; saved by a CAD, so it has its
// identity.
const char* const Drawing =
    "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$DWGCODEPAGE\n3\nANSI_1251\n"
    "9\n$FINGERPRINTGUID\n2\n{6A0E2B1C-4D3F-4E5A-8B7C-9D0E1F2A3B4C}\n0\nENDSEC\n"
    "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n"
    "0\nLAYER\n2\n\xD5\xC2\xD1\n70\n0\n62\n5\n"
    "0\nLAYER\n2\n\xC3\xC2\xD1\n70\n0\n62\n1\n0\nENDTAB\n0\nENDSEC\n"
    "0\nSECTION\n2\nENTITIES\n"
    "0\n3DSOLID\n5\n2A\n8\n\xD5\xC2\xD1\n1\nACIS\n"
    "1001\ntrb\n1070\n10\n1010\n2500.5\n1020\n28.5\n1030\n25.0\n"
    "0\nLINE\n5\n2B\n8\n0\n"
    "0\n3DSOLID\n5\n2C\n8\n\xC3\xC2\xD1\n1001\ntrb\n1070\n10\n1010\n1234.5\n1020\n16.0\n1030\n13.5\n"
    "0\n3DSOLID\n5\n2D\n8\n\xC3\xC2\xD1\n1001\ntrb\n1070\n10\n1010\n765.5\n1020\n16.0\n1030\n13.5\n"
    "0\n3DSOLID\n5\n2E\n8\n0\n1001\ntrb\n1071\n10\n1010\n100.0\n1020\n5.0\n1030\n4.0\n"
    "0\nENDSEC\n0\nEOF\n";

class EndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(path("sheets"));
        // The program as it starts, with this test's database, a stand-in
        // spreadsheet that records its workbooks, and the messages recorded.
        SessionOptions options;
        options.connectionString = database.connectionString();
        options.platform.spreadsheet = sheet::StandInOptions{
            path("sheets"), [this](const QString& opened) { openedFiles << opened; },
            [this](const sheet::CellMap& cells) { workbooks.push_back(cells); }};
        options.messages = &messages;
        m_session = std::make_unique<Session>(std::move(options));
        window = &m_session->mainWindow();
        totals = &m_session->totalsWindow();
        window->show();
    }

    void TearDown() override
    {
        m_session.reset();
        m_cad.stop();
    }

    QString path(const QString& name) const { return m_cad.path(name); }
    // "Получить размеры труб" as the menu runs it.
    void harvest() { messages::runEntryPoint([this] { window->N3Click(); }); }
    // What the simulator wrote on its standard output so far.
    QString cadOutput()
    {
        m_cad.process().waitForReadyRead(200);
        return QString::fromUtf8(m_cad.process().readAllStandardOutput());
    }
    void writeDrawing(const QByteArray& dxf) { m_cad.writeDrawing(dxf); }
    void restartCad(QStringList options)
    {
        m_cad.stop();
        startCad(std::move(options));
    }
    const Session& session() const { return *m_session; }
    TWProgress& progressWindow() { return m_session->progressWindow(); }
    // Presses Esc in the progress window once `when` holds, looking every
    // 50 ms while the command runs; tells whether it pressed.
    class EscWhen {
    public:
        EscWhen(TWProgress& window, std::function<bool(const TWProgress&)> when)
        {
            QObject::connect(&m_timer, &QTimer::timeout, [this, &window, when = std::move(when)] {
                if (!pressed && window.isVisible() && when(window)) {
                    QTest::keyClick(&window, Qt::Key_Escape);
                    pressed = true;
                }
            });
            m_timer.start(50);
        }
        bool pressed = false;

    private:
        QTimer m_timer;
    };
    int cadDocumentCount() { return get(get(cadApplication, u"Documents"), u"Count").toI4(); }
    qint64 cadProcessId() { return m_cad.process().processId(); }

    void startCad(QStringList options = {})
    {
        cadApplication = m_cad.start(options << "--support-path" << path("support"));
        ASSERT_FALSE(cadApplication.isEmpty());
    }

    std::u16string selectedHandle() const
    {
        const Variant selection = get(get(cadApplication, u"ActiveDocument"), u"PickfirstSelectionSet");
        if (get(selection, u"Count").toI4() != 1)
            return u"(none or several)";
        return get(call(selection, u"Item", Variant::i4(0)), u"Handle").toBStr();
    }

    TestDatabase database;
    MessageRecorder messages;
    TWMain* window = nullptr;
    TWSumTruba* totals = nullptr;
    Variant cadApplication;
    QStringList openedFiles;
    std::vector<sheet::CellMap> workbooks;

private:
    CadsimProcess m_cad{Drawing};
    std::unique_ptr<Session> m_session;
};

Variant cell(const sheet::CellMap& cells, int row, int column)
{
    const auto found = cells.find({row, column});
    return found == cells.end() ? Variant() : found->second;
}

} // namespace

TEST_F(EndToEnd, HarvestSelectAndExportAgainstARunningCad)
{
    startCad();
    // "Получить размеры труб": three pipes, sorted by layer then outer diameter.
    window->N3Click();
    ASSERT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    const auto rows = database.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].layer, QStringLiteral("ХВС"));
    EXPECT_EQ(rows[0].length, 2500.5);
    EXPECT_EQ(rows[0].rmax, 57.0);
    EXPECT_EQ(rows[0].rmin, 50.0);
    EXPECT_TRUE(QFile::exists(path("support/tr.fas")));

    db::Dataset& table = *SpecData->TTruba;
    ASSERT_EQ(table.recordCount(), 3);
    table.first();
    EXPECT_EQ(SpecData->TTrubaFLayer->asString(), QStringLiteral("ГВС"));

    // "Выделить" on the last row (the ХВС pipe, handle 2A).
    table.last();
    window->N9Click();
    EXPECT_EQ(selectedHandle(), u"2A");

    // "Экспорт в Excel": header and three rows, lengths whole (half to even).
    window->N8Click();
    ASSERT_EQ(workbooks.size(), 1u);
    const sheet::CellMap& list = workbooks[0];
    EXPECT_EQ(cell(list, 1, 1), Variant::bstr(u"Слой"));
    EXPECT_EQ(cell(list, 1, 4), Variant::bstr(u"D внутренний, мм"));
    EXPECT_EQ(cell(list, 2, 1), Variant::bstr(u"ГВС"));
    // The two ГВС pipes share their outer diameter and keep their stored order.
    EXPECT_EQ(cell(list, 2, 2), Variant::i4(1234)); // 1234.5
    EXPECT_EQ(cell(list, 3, 2), Variant::i4(766));  // 765.5
    EXPECT_EQ(cell(list, 4, 2), Variant::i4(2500)); // 2500.5
    EXPECT_EQ(cell(list, 4, 3), Variant::r8(57.0));
    EXPECT_EQ(cell(list, 4, 4), Variant::r8(50.0));
    EXPECT_TRUE(cell(list, 5, 1).isEmpty());
    ASSERT_EQ(openedFiles.size(), 1);
    EXPECT_TRUE(QFile::exists(openedFiles[0]));

    // The totals window's export: one row per diameter pair.
    totals->show();
    totals->Button2Click();
    totals->close();
    ASSERT_EQ(workbooks.size(), 2u);
    const sheet::CellMap& sums = workbooks[1];
    EXPECT_EQ(cell(sums, 1, 1), Variant::bstr(u"Длинна, мм"));
    int found = 0;
    for (int row = 2; row <= 3; ++row) {
        if (cell(sums, row, 2) == Variant::r8(32.0)) {
            EXPECT_EQ(cell(sums, row, 1), Variant::i4(2000)); // 1234.5 + 765.5
            EXPECT_EQ(cell(sums, row, 3), Variant::r8(27.0));
            ++found;
        }
        if (cell(sums, row, 2) == Variant::r8(57.0)) {
            EXPECT_EQ(cell(sums, row, 1), Variant::i4(2500));
            ++found;
        }
    }
    EXPECT_EQ(found, 2);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
}

TEST_F(EndToEnd, CadKilledDuringTheHarvestEndsItWithTheCadMessageAndNeverHangs)
{
    database.addRows({{.layer = "old", .length = 1, .rmax = 2, .rmin = 0}});
    SpecData->TTruba->requery();
    // The CAD stays busy after the load command, so the harvest is waiting
    // for it to become idle when it dies.
    startCad({"--idle-delay", "60000"});
    const pid_t cad = static_cast<pid_t>(cadProcessId());
    std::thread killer([cad] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ::kill(cad, SIGKILL);
    });

    // Were the call into the dead CAD to wait for an answer, this would hang
    // for the idle delay and beyond; the test's time-out catches that.
    messages::runEntryPoint([&] { window->N3Click(); }); // as the menu runs it
    killer.join();

    EXPECT_EQ(messages.all, QStringList{"Произошли ошибки при работе с Автокадом!!!"});
    // A drawing that could not be read replaces nothing.
    EXPECT_EQ(database.rows().size(), 1u);
}

TEST_F(EndToEnd, CadThatStopsAnsweringEndsTheHarvestWithTheCadMessageInsteadOfHanging)
{
    database.addRows({{.layer = "old", .length = 1, .rmax = 2, .rmin = 0}});
    SpecData->TTruba->requery();
    // The program waits a short while for an answer here, where it waits 30 s for a user.
    remote::installClientBackend(remote::ClientTimeouts{.call = std::chrono::seconds(2)});
    // Busy after the load command, so the harvest is polling it when it stops
    // (as a CAD does under a debugger, or frozen by the system).
    startCad({"--idle-delay", "60000"});
    const pid_t cad = static_cast<pid_t>(cadProcessId());
    std::thread stopper([cad] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        ::kill(cad, SIGSTOP);
    });

    messages::runEntryPoint([&] { window->N3Click(); }); // as the menu runs it
    stopper.join();
    ::kill(cad, SIGCONT);

    EXPECT_EQ(messages.all, QStringList{"Произошли ошибки при работе с Автокадом!!!"});
    // As after any other failure of the CAD: the stored rows stay.
    EXPECT_EQ(database.rows().size(), 1u);
}

// A CAD reads the text it was sent, and refuses calls meanwhile; the calls
// are tried again until it takes them.
TEST_F(EndToEnd, ACadBusyAfterEachCommandStillGivesEveryPipe)
{
    startCad({"--busy-after-command", "2000"});
    harvest();
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_EQ(database.rows().size(), 3u);
}

// One that stays busy fails the harvest once the calls have been refused
// long enough, with the message of a CAD that is not ready; the rows stay.
TEST_F(EndToEnd, ACadBusyForGoodEndsTheHarvestWithItsMessageAndKeepsTheRows)
{
    database.addRows({{.layer = "old", .length = 1, .rmax = 2, .rmin = 0}});
    SpecData->TTruba->requery();
    remote::installClientBackend(remote::ClientTimeouts{.busyRetry = std::chrono::seconds(2)});
    startCad({"--busy"});
    harvest();
    ASSERT_EQ(messages.all.size(), 1) << messages.all.join('|').toStdString();
    EXPECT_TRUE(messages.all.front().startsWith("AutoCAD is not ready to work with the program."));
    EXPECT_EQ(database.rows().size(), 1u);
}

// The CAD's user is at a prompt of a command of their own: the program says
// what it waits for, sends nothing into that command, and harvests once it ends.
TEST_F(EndToEnd, TheUsersOwnCommandIsWaitedForAndGetsNoText)
{
    startCad({"--user-command-ms", "2000"});
    QStringList shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { shown << session().progressWindow().stageText(); });
    watch.start(100);
    harvest();
    watch.stop();
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_EQ(database.rows().size(), 3u);
    EXPECT_TRUE(shown.contains("Ожидание AutoCAD: завершите или отмените команду (Esc)")) << shown.join('|').toStdString();
    const QString output = cadOutput();
    EXPECT_TRUE(output.contains("ran (load \"tr.fas\") ")) << output.toStdString();
    EXPECT_FALSE(output.contains("input to the user's command")) << output.toStdString();
}

TEST_F(EndToEnd, ALockedTrustedPathsStillGivesEveryPipe)
{
    startCad({"--locked-trustedpaths"});
    harvest();
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_EQ(database.rows().size(), 3u);
}

// The CAD was closed and started again on the drawing: its ObjectIDs are new,
// and "Выделить" finds the pipe by the handle the harvest stored.
// Another drawing of the project, started from the same template, holds
// pipes under the same handles: it selects nothing.
TEST_F(EndToEnd, SelectAfterTheCadWasRestartedSelectsTheRightPipe)
{
    startCad({"--id-seed", "1"});
    harvest();
    ASSERT_EQ(database.rows().size(), 3u);
    db::Dataset& table = *SpecData->TTruba;
    table.first();
    table.next();
    const QString handle = SpecData->TTrubaFHandle->asString();
    ASSERT_FALSE(handle.isEmpty());

    QByteArray nextSheet(Drawing);
    nextSheet.replace("{6A0E2B1C-4D3F-4E5A-8B7C-9D0E1F2A3B4C}", "{0C1D2E3F-4A5B-4C6D-9E8F-7A6B5C4D3E2F}");
    nextSheet.replace("1234.5", "4321.5");
    writeDrawing(nextSheet);
    restartCad({"--id-seed", "2"});
    messages::runEntryPoint([this] { window->N9Click(); });
    EXPECT_EQ(selectedHandle(), u"(none or several)");

    writeDrawing(Drawing);
    restartCad({"--id-seed", "3"});
    messages::runEntryPoint([this] { window->N9Click(); });
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_EQ(QString::fromStdU16String(selectedHandle()), handle);
}

TEST_F(EndToEnd, AnExportNothingCanShowNamesTheWorkbookAndTheProgramReportsNoFailure)
{
    startCad();
    window->N3Click();
    ASSERT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    // A desktop with no program for .xlsx files, in front of the recording stand-in.
    QDir().mkpath(path("unshown"));
    const Registration nothingShows = sheet::registerStandIn(sheet::StandInOptions{
        path("unshown"), [](const QString&) { throw std::runtime_error("no program for .xlsx files"); }, {}});

    window->N8Click();

    const QStringList written = QDir(path("unshown")).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 1);
    const QString fullPath = QDir(path("unshown")).absoluteFilePath(written.front());
    ASSERT_EQ(messages.all.size(), 1) << messages.all.join('|').toStdString();
    EXPECT_TRUE(messages.all.front().contains(fullPath)) << messages.all.front().toStdString();
    EXPECT_FALSE(messages.all.front().contains(QStringLiteral("Не удается запустить Excel!!!")));
}

namespace {

// A drawing of 2,000 pipes among 2,000 other entities, saved with its
// identity, with pipes the harvest must drop or keep in part: a 32-bit kind,
// a point of two values, a pipe of length 0.
QByteArray drawingOfPipes()
{
    QByteArray out = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$DWGCODEPAGE\n3\nANSI_1251\n"
                     "9\n$FINGERPRINTGUID\n2\n{7B1C2D3E-4F50-4617-8A9B-0C1D2E3F4A5B}\n0\nENDSEC\n"
                     "0\nSECTION\n2\nENTITIES\n";
    int handle = 0x100;
    const auto next = [&] { return QByteArray::number(handle++, 16).toUpper(); };
    for (int i = 0; i < 2000; ++i) {
        const QByteArray kind = i % 97 == 5 ? "1071" : "1070";
        const QByteArray length = i % 89 == 7 ? "0" : QByteArray::number(1000 + i);
        const QByteArray inner = i % 83 == 3 ? "" : "1030\n20.0\n";
        out += "0\n3DSOLID\n5\n" + next() + "\n8\n\xD2\xF0\xF3\xE1\xFB_" + QByteArray::number(i % 7) + "\n1\nACIS\n1001\ntrb\n"
               + kind + "\n10\n1010\n" + length + "\n1020\n25.0\n" + inner;
        out += i % 2 ? "0\nLINE\n5\n" + next() + "\n8\n0\n" : "0\n3DSOLID\n5\n" + next() + "\n8\nEquipment\n";
    }
    return out + "0\nENDSEC\n0\nEOF\n";
}

QMap<QString, qint64> callCounts(const QString& file)
{
    QFile counts(file);
    QMap<QString, qint64> result;
    if (!counts.open(QIODevice::ReadOnly))
        return result;
    for (const QByteArray& line : counts.readAll().split('\n')) {
        const qsizetype blank = line.lastIndexOf(' ');
        if (blank > 0)
            result[QString::fromUtf8(line.left(blank))] = line.mid(blank + 1).toLongLong();
    }
    return result;
}

} // namespace

// The harvest of a large drawing walks it inside the CAD, by the walker the
// simulator loads beside itself: a handful of calls cross between the two
// processes, whatever the size. A CAD that will not load it gets the walk of
// old, and the same rows.
TEST_F(EndToEnd, TheWalkInsideTheCadAndTheWalkHereStoreTheSameRows)
{
    writeDrawing(drawingOfPipes());
    std::vector<std::vector<TestDatabase::Row>> stored;
    std::vector<QStringList> handles;
    std::vector<QMap<QString, qint64>> counts;
    for (const QStringList& options : {QStringList{}, QStringList{"--no-interface-objects"}}) {
        const QString countFile = path(QStringLiteral("calls-%1.txt").arg(counts.size()));
        restartCad(QStringList{"--id-seed", "11", "--count-calls", countFile} + options);
        harvest();
        EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
        stored.push_back(database.rowsWithoutKeys());
        handles.push_back(database.handles());
        const QString output = cadOutput();
        EXPECT_FALSE(output.contains("asked its user")) << output.toStdString();
        restartCad({}); // the counts are written when the simulator ends
        counts.push_back(callCounts(countFile));
    }
    ASSERT_EQ(stored[0].size(), 2000u - 21 - 23);
    EXPECT_TRUE(stored[0] == stored[1]);
    EXPECT_EQ(handles[0], handles[1]);
    // 4,000 entities: a few dozen calls cross to attach, install and load;
    // then one per chunk of the walk.
    EXPECT_GT(counts[0]["in-process invocations"], 4000);
    EXPECT_LT(counts[0]["invocations"], 200);
    EXPECT_EQ(counts[1]["in-process invocations"], 0);
    EXPECT_GT(counts[1]["invocations"], 4000);
}

namespace {

const QString BusyText = QStringLiteral("Ожидание AutoCAD: завершите или отмените команду (Esc)");

} // namespace

// The CAD turns busy in the middle of a walk made call by call (a dialog of
// its own opened). Esc while the program waits for it ends the harvest
// quietly: the rows as they were, nothing opened in the CAD.
TEST_F(EndToEnd, EscWhileACadThatTurnedBusyMidWalkIsWaitedForEndsTheHarvestQuietly)
{
    writeDrawing(drawingOfPipes());
    database.addRows({{.layer = "old", .length = 1, .rmax = 2, .rmin = 0}});
    SpecData->TTruba->requery();
    startCad({"--no-interface-objects", "--refuse-calls-after", "3000", "--refuse-for", "4000"});
    const EscWhen esc(progressWindow(), [](const TWProgress& w) { return w.stageText() == BusyText; });
    harvest();
    EXPECT_TRUE(esc.pressed);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_EQ(database.rows().size(), 1u);
    EXPECT_EQ(cadDocumentCount(), 1); // asked once the CAD serves again
}

// A CAD that stays busy longer than the program waits fails the harvest as
// a whole, with its message; one that is busy for a shorter while gives every
// pipe with its layer and handle, as a CAD that never was. Never a table
// read in part.
TEST_F(EndToEnd, ACadBusyMidWalkFailsTheHarvestAsAWholeOrGivesEveryPipe)
{
    writeDrawing(drawingOfPipes());
    // The same ObjectIDs in every run of the CAD.
    startCad({"--no-interface-objects", "--id-seed", "11"});
    harvest();
    ASSERT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    const auto reference = database.rowsWithoutKeys();
    const QStringList referenceHandles = database.handles();
    ASSERT_EQ(reference.size(), 2000u - 21 - 23);

    remote::installClientBackend(remote::ClientTimeouts{.busyRetry = std::chrono::seconds(1)});
    restartCad({"--no-interface-objects", "--refuse-calls-after", "3000", "--refuse-for", "3000"});
    database.exec("DELETE FROM TTruba WHERE FKey % 2 = 0");
    SpecData->TTruba->requery();
    const auto kept = database.rowsWithoutKeys();
    harvest();
    EXPECT_EQ(messages.all, QStringList{"Произошли ошибки при работе с Автокадом!!!"});
    EXPECT_TRUE(database.rowsWithoutKeys() == kept);

    messages.all.clear();
    remote::installClientBackend();
    restartCad({"--no-interface-objects", "--id-seed", "11", "--refuse-calls-after", "3000", "--refuse-for", "1500"});
    harvest();
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_TRUE(database.rowsWithoutKeys() == reference);
    EXPECT_EQ(database.handles(), referenceHandles);
}

// A CAD that runs but does not answer at all (stopped): the progress window
// comes up while the attach waits for it, and Esc ends the command at once,
// without a word.
TEST_F(EndToEnd, ACadThatDoesNotAnswerAtAllIsWaitedForUnderTheProgressWindow)
{
    database.addRows({{.layer = "old", .length = 1, .rmax = 2, .rmin = 0}});
    SpecData->TTruba->requery();
    startCad();
    const pid_t cad = static_cast<pid_t>(cadProcessId());
    ::kill(cad, SIGSTOP);
    const EscWhen esc(progressWindow(), [](const TWProgress&) { return true; });
    harvest();
    ::kill(cad, SIGCONT);
    EXPECT_TRUE(esc.pressed);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_EQ(database.rows().size(), 1u);
}

// Another drawing whose session hands out the same ObjectIDs (the same seed):
// "Выделить" selects nothing there and leaves its selection alone; back in the
// row's own drawing, it selects the row's pipe.
TEST_F(EndToEnd, SelectNeverTouchesAnotherDrawingWhoseObjectIdsRepeatTheRows)
{
    startCad({"--id-seed", "5"});
    harvest();
    ASSERT_EQ(database.rows().size(), 3u);
    db::Dataset& table = *SpecData->TTruba;
    table.last();
    const QString handle = SpecData->TTrubaFHandle->asString();

    QByteArray other(Drawing);
    other.replace("{6A0E2B1C-4D3F-4E5A-8B7C-9D0E1F2A3B4C}", "{0C1D2E3F-4A5B-4C6D-9E8F-7A6B5C4D3E2F}");
    writeDrawing(other);
    restartCad({"--id-seed", "5"});
    Variant command = Variant::bstr(u"(sssetfirst nil (ssadd (handent \"2B\"))) ");
    call(get(cadApplication, u"ActiveDocument"), u"SendCommand", Arg::ref(command));
    ASSERT_EQ(selectedHandle(), u"2B");
    messages::runEntryPoint([this] { window->N9Click(); });
    EXPECT_EQ(selectedHandle(), u"2B");

    writeDrawing(Drawing);
    restartCad({"--id-seed", "5"});
    messages::runEntryPoint([this] { window->N9Click(); });
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_EQ(QString::fromStdU16String(selectedHandle()), handle);
}
