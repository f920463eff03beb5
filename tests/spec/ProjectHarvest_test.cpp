// The pipes of a project's drawings in one harvest: each drawing read from
// the document it is open in, inside the CAD without the editor, or in the
// editor for the while; every row with its drawing; a drawing that cannot be
// read skipped with the CAD's reason; and the CAD left as the user had it.
#include "HarvestFixture.h"

#include "cad/ResStrings.h"
#include "cad/SelectEntityById.h"
#include "support/FakeWindowSystem.h"
#include "platform/automation/HResult.h"
#include "platform/messages/EntryPoint.h"
#include "platform/messages/Progress.h"
#include "spec/TSpecification.h"

#include <QDir>
#include <QFile>

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <map>

namespace {

const QString HarvestFailed = QStringLiteral("Произошли ошибки при работе с Автокадом!!!");

// A drawing of `pipes` pipes on its own layer, saved with an identity.
cadsim::Drawing projectDrawing(const std::u16string& name, int pipes, int serial)
{
    cadsim::Drawing drawing(name);
    drawing.setFingerprint(u"{00000000-0000-0000-0000-00000000000" + std::u16string(1, char16_t(u'0' + serial)) + u"}");
    for (int i = 0; i < pipes; ++i) {
        drawing.addPipe(name, 1000 * serial + i, 10 + serial, 5);
        drawing.addLine(u"0");
    }
    return drawing;
}

class ProjectHarvest : public HarvestFixture {
protected:
    void SetUp() override
    {
        HarvestFixture::SetUp();
        // The drawings of the project are files; the simulator reads a file
        // as the drawing this test made for its path.
        for (int serial = 1; serial <= 3; ++serial)
            addDrawing(QStringLiteral("Секция %1.dwg").arg(serial), serial + 1, serial);
        cad.setDrawingLoader([this](const std::u16string& path) {
            const auto found = drawings.find(QString::fromStdU16String(path));
            if (found == drawings.end())
                throw std::runtime_error("not a drawing file");
            return found->second;
        });
        file.addRows({{.layer = "old", .length = 1, .rmax = 2, .rmin = 0}});
        data.TTruba->requery();
    }

    QString addDrawing(const QString& name, int pipes, int serial)
    {
        const QString path = project.filePath(name);
        QFile placeholder(path);
        EXPECT_TRUE(placeholder.open(QIODevice::WriteOnly));
        placeholder.write("drawing");
        drawings.emplace(path, projectDrawing(name.toStdU16String(), pipes, serial));
        paths << path;
        return path;
    }

    // The pipes per drawing file as stored, and the identities stored with them.
    std::map<QString, int> pipesPerFile() const
    {
        std::map<QString, int> perFile;
        for (const QString& path : file.textColumn(QStringLiteral("FPath")))
            ++perFile[path];
        return perFile;
    }

    std::vector<DrawingRead> read(const QStringList& these)
    {
        std::vector<DrawingRead> reads;
        messages::runEntryPoint([&] {
            TSpecification specification(0);
            reads = specification.ReadFromDrawings(these);
            specification.SaveToTable(data);
        });
        return reads;
    }

    QTemporaryDir project;
    QStringList paths;
    std::map<QString, cadsim::Drawing> drawings;
};

TEST_F(ProjectHarvest, EveryDrawingIsReadWithoutTheEditorAndEveryRowKeepsItsDrawing)
{
    offerWalker(); // and walked inside the CAD as well
    const std::vector<DrawingRead> reads = read(paths);

    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(u'|').toStdString();
    ASSERT_EQ(reads.size(), 3u);
    for (size_t i = 0; i < reads.size(); ++i) {
        EXPECT_EQ(reads[i].path, paths[int(i)]);
        EXPECT_EQ(reads[i].pipes, int(i) + 2);
        EXPECT_TRUE(reads[i].wasRead());
    }
    EXPECT_EQ(pipesPerFile(), (std::map<QString, int>{{paths[0], 2}, {paths[1], 3}, {paths[2], 4}}));
    QStringList identities = file.drawings();
    identities.removeDuplicates();
    EXPECT_EQ(identities.size(), 3);
    // Inside the CAD: no document was opened, every file was let go.
    EXPECT_EQ(cad.documentCount(), 1);
    EXPECT_TRUE(cad.closedDocuments().empty());
    EXPECT_EQ(cad.drawingsHeldByReaders(), 0);
    EXPECT_EQ(cad.loadedFiles().size(), 1u); // the pipe program, once
}

// A drawing open in the CAD is read from its document: its user's changes,
// not saved yet, are what the drawing holds now.
TEST_F(ProjectHarvest, ADrawingOpenInTheCadIsReadFromItsDocument)
{
    cadsim::Drawing changed = drawings.at(paths[1]);
    changed.addPipe(u"Секция 2.dwg", 777, 11, 5);
    cad.openDocument(changed, QDir::toNativeSeparators(paths[1]).toStdU16String());
    const std::vector<DrawingRead> reads = read(paths);
    EXPECT_EQ(reads[1].pipes, 4);
    EXPECT_EQ(cad.documentCount(), 2);
    EXPECT_TRUE(cad.closedDocuments().empty());
}

// Where the CAD has no reader of drawings without the editor, each drawing is
// opened in the editor read only and exactly that document closed without
// saving; the user's drawing is the active one again. The rows are the same.
TEST_F(ProjectHarvest, WithoutTheCadsReaderTheEditorGivesTheSameRows)
{
    read(paths);
    const auto withReader = file.rowsWithoutKeys();
    cad.setDrawingReaderAllowed(false);
    const std::optional<std::u16string> usersDrawing = cad.activeDocumentFullName();

    read(paths);

    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(u'|').toStdString();
    const auto withEditor = file.rowsWithoutKeys();
    ASSERT_EQ(withEditor.size(), withReader.size());
    for (size_t i = 0; i < withEditor.size(); ++i) {
        EXPECT_EQ(withEditor[i].layer, withReader[i].layer);
        EXPECT_EQ(withEditor[i].length, withReader[i].length);
        EXPECT_EQ(withEditor[i].rmax, withReader[i].rmax);
    }
    EXPECT_EQ(pipesPerFile(), (std::map<QString, int>{{paths[0], 2}, {paths[1], 3}, {paths[2], 4}}));
    EXPECT_EQ(cad.documentCount(), 1);
    EXPECT_EQ(cad.activeDocumentFullName(), usersDrawing);
    ASSERT_EQ(cad.closedDocuments().size(), 3u);
    for (const auto& closed : cad.closedDocuments())
        EXPECT_EQ(closed.saveChanges, automation::Variant::boolean(false));
}

// A drawing that cannot be read is skipped with the CAD's reason; the others
// are read all the same.
TEST_F(ProjectHarvest, ADrawingThatCannotBeReadIsSkippedWithItsReason)
{
    for (const bool reader : {true, false}) {
        SCOPED_TRACE(reader ? "without the editor" : "in the editor");
        cad.setDrawingReaderAllowed(reader);
        const QString notADrawing = project.filePath(QStringLiteral("notes.dwg"));
        QFile notes(notADrawing);
        ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
        notes.write("no drawing");
        notes.close();
        const QStringList list = {paths[0], project.filePath(QStringLiteral("gone.dwg")), paths[1], paths[2],
                                  notADrawing};
        // Another user's CAD holds this one for itself.
        const int locked = ::open(QFile::encodeName(paths[2]).constData(), O_RDONLY);
        ASSERT_EQ(::flock(locked, LOCK_EX | LOCK_NB), 0);

        const std::vector<DrawingRead> reads = read(list);
        ::close(locked);

        ASSERT_EQ(reads.size(), 5u);
        EXPECT_EQ(reads[0].pipes, 2);
        EXPECT_EQ(reads[1].failure, QStringLiteral("Файл не найден"));
        EXPECT_EQ(reads[2].pipes, 3);
        EXPECT_FALSE(reads[3].wasRead()) << "locked";
        EXPECT_EQ(reads[3].pipes, 0);
        EXPECT_FALSE(reads[4].wasRead()) << "not a drawing";
        EXPECT_EQ(pipesPerFile(), (std::map<QString, int>{{paths[0], 2}, {paths[1], 3}}));
        EXPECT_EQ(cad.documentCount(), 1);
        EXPECT_EQ(cad.drawingsHeldByReaders(), 0);
    }
}

// The user's stop, or a CAD that stops answering, between two drawings or in
// the middle of one: the table as it was, and every drawing the harvest
// opened let go, the user's drawing active again.
TEST_F(ProjectHarvest, AStopOrAFailedLinkLeavesTheTableAndTheCadAsTheyWere)
{
    const std::vector<TestDatabase::Row> before = file.rowsWithoutKeys();
    for (const bool reader : {true, false}) {
        for (const bool stop : {true, false}) {
            SCOPED_TRACE(std::string(reader ? "without the editor" : "in the editor") + (stop ? ", stopped" : ", link"));
            cad.setDrawingReaderAllowed(reader);
            cad.clearFaults();
            messages.all.clear();
            // In the middle of the second drawing.
            cadsim::Fault fault{.object = cadsim::ObjectKind::Entity,
                                .member = u"Layer",
                                .handle = drawings.at(paths[1]).entities()[2].handle,
                                .times = 1};
            if (stop)
                fault.thrown = [] { throw progress::Cancelled(); };
            else
                fault.code = automation::hr::Rpc_E_Disconnected;
            cad.injectFault(fault);

            read(paths);

            EXPECT_EQ(messages.all, stop ? QStringList() : QStringList{HarvestFailed});
            EXPECT_TRUE(file.rowsWithoutKeys() == before);
            EXPECT_EQ(cad.documentCount(), 1);
            EXPECT_EQ(cad.drawingsHeldByReaders(), 0);
        }
    }
}

} // namespace

namespace {

// "Выделить" on a row of another drawing selects the pipe in its own: the
// drawing activated where it is open, opened where its user says so (and not
// where not), found again by its handle, since an ObjectID read without the
// editor lived only as long as that read.
TEST_F(ProjectHarvest, SelectBringsTheRowsDrawingForwardAndSelectsItsPipe)
{
    read(paths);
    FakeWindowSystem::Installed desktop;
    db::Dataset& table = *data.TTruba;
    const auto selectRowOf = [&](const QString& path) {
        for (table.first(); !table.eof(); table.next()) {
            if (data.TTrubaFPath->asString() == path) {
                const QString handle = data.TTrubaFHandle->asString();
                messages::runEntryPoint([&] {
                    SelectEntityById(data.TTrubaFObjectID->asInteger(), handle, data.TTrubaFDrawing->asString(),
                                     path);
                });
                return handle;
            }
        }
        ADD_FAILURE() << "no row of " << path.toStdString();
        return QString();
    };
    const std::u16string usersDrawing = cad.activeDrawing().name();

    messages.answer = false;
    selectRowOf(paths[1]);
    ASSERT_EQ(messages.all.size(), 1);
    EXPECT_TRUE(messages.all[0].startsWith(QStringLiteral("question: Чертёж «"))) << messages.all[0].toStdString();
    EXPECT_EQ(cad.documentCount(), 1);
    EXPECT_EQ(cad.activeDrawing().name(), usersDrawing);
    EXPECT_TRUE(cad.commands().size() == 1u) << "nothing but the load command";

    messages.clear();
    messages.answer = true;
    const QString handle = selectRowOf(paths[1]);
    EXPECT_EQ(cad.documentCount(), 2);
    EXPECT_EQ(cad.activeDocumentFullName(), paths[1].toStdU16String());
    EXPECT_EQ(cad.selectedHandles(), std::vector<std::u16string>{handle.toStdU16String()});

    // Open but not the active one: activated, without a question.
    cad.openDocument(drawings.at(paths[2]), paths[2].toStdU16String());
    messages.clear();
    selectRowOf(paths[1]);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(u'|').toStdString();
    EXPECT_EQ(cad.activeDocumentFullName(), paths[1].toStdU16String());
    EXPECT_EQ(cad.documentCount(), 3);
}

} // namespace
