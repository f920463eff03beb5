#include "RecordedStandIn.h"
#include "XlsxReader.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/os/DesktopOpener.h"
#include "platform/sheet/StandIn.h"
#include "support/MessageRecorder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace automation;
using namespace std::chrono_literals;
using sheet::CellAddress;
using sheettest::FileCell;

namespace {

// The calls of an export up to the workbook: the created object, made
// visible, and a workbook added with an omitted template.
struct Session {
    Variant created;
    Variant workbook;

    explicit Session(bool visible = true)
    {
        created = Variant::dispatch(createObject(u"Excel.Sheet"));
        put(get(created, u"Application"), u"Visible", Variant::boolean(visible));
        workbook = call(get(get(created, u"Application"), u"Workbooks"), u"Add", Variant::omitted());
    }

    void putCell(int32_t row, int32_t column, Variant value)
    {
        Variant rowCounter = Variant::i4(row);
        put(get(workbook, u"ActiveSheet"), u"Cells", Arg::ref(rowCounter), Variant::i4(column),
            std::move(value));
    }

    void release()
    {
        workbook.clear();
        created.clear();
    }
};

int32_t failureCode(const std::function<void()>& f)
{
    try {
        f();
    } catch (const CallFailure& e) {
        return e.code();
    }
    return hr::S_Ok;
}

} // namespace

TEST(SheetStandIn, WritesTheCellsOfAnExportIntoAnXlsxFileAndOpensIt)
{
    RecordedStandIn standIn;
    Session session;
    session.putCell(1, 1, Variant::bstr(u"Слой"));
    session.putCell(1, 2, Variant::bstr(u"Длинна, мм"));
    session.putCell(2, 1, Variant::bstr(u"Трубы-1"));
    session.putCell(2, 2, Variant::i4(1235));
    session.putCell(2, 3, Variant::r8(57.5));
    EXPECT_TRUE(standIn.opened.isEmpty()) << "nothing is handed over while the workbook is held";
    session.release();

    ASSERT_EQ(standIn.opened.size(), 1);
    const QFileInfo file(standIn.opened.front());
    EXPECT_EQ(file.absolutePath(), QDir(standIn.folder.path()).absolutePath());
    EXPECT_TRUE(file.fileName().startsWith(QStringLiteral("vedoris-")));
    EXPECT_TRUE(file.fileName().endsWith(QStringLiteral(".xlsx")));

    ASSERT_EQ(standIn.handedOver.size(), 1u);
    const sheet::CellMap expected{
        {{1, 1}, Variant::bstr(u"Слой")},  {{1, 2}, Variant::bstr(u"Длинна, мм")},
        {{2, 1}, Variant::bstr(u"Трубы-1")}, {{2, 2}, Variant::i4(1235)},
        {{2, 3}, Variant::r8(57.5)},
    };
    EXPECT_EQ(standIn.lastWorkbook(), expected);

    const sheettest::XlsxContents read = sheettest::readXlsx(file.filePath());
    EXPECT_EQ(read.sheetName, QStringLiteral("Лист1"));
    ASSERT_EQ(read.cells.size(), 5u);
    const FileCell& layer = read.cells.at({2, 1});
    EXPECT_EQ(layer.kind, FileCell::Kind::Text);
    EXPECT_EQ(layer.text, QStringLiteral("Трубы-1"));
    const FileCell& length = read.cells.at({2, 2});
    EXPECT_EQ(length.kind, FileCell::Kind::Number);
    EXPECT_EQ(length.number, 1235.0);
    EXPECT_TRUE(length.wholeNumberFormat);
    const FileCell& diameter = read.cells.at({2, 3});
    EXPECT_EQ(diameter.kind, FileCell::Kind::Number);
    EXPECT_EQ(diameter.number, 57.5);
    EXPECT_FALSE(diameter.wholeNumberFormat);
    EXPECT_EQ(read.cells.at({1, 2}).text, QStringLiteral("Длинна, мм"));
}

TEST(SheetStandIn, KeepsEveryValueKindItAccepts)
{
    RecordedStandIn standIn;
    Session session;
    session.putCell(1, 1, Variant::i2(7));
    session.putCell(1, 2, Variant::i8(5000000000));
    session.putCell(1, 3, Variant::boolean(true));
    session.putCell(1, 4, Variant::bstr(u"gone"));
    session.putCell(1, 4, Variant());             // Empty clears the cell
    session.putCell(1, 5, Variant::bstr(u"first"));
    session.putCell(1, 5, Variant::r8(-0.25));    // a later put replaces
    session.putCell(1, 6, Variant::bstr(u"x"));
    session.putCell(1, 6, Variant::null());       // so does Null
    session.release();

    const sheet::CellMap expected{
        {{1, 1}, Variant::i2(7)},
        {{1, 2}, Variant::i8(5000000000)},
        {{1, 3}, Variant::boolean(true)},
        {{1, 5}, Variant::r8(-0.25)},
    };
    EXPECT_EQ(standIn.lastWorkbook(), expected);

    ASSERT_EQ(standIn.opened.size(), 1);
    const auto read = sheettest::readXlsx(standIn.opened.front());
    ASSERT_EQ(read.cells.size(), 4u);
    EXPECT_EQ(read.cells.at({1, 2}).number, 5000000000.0);
    EXPECT_TRUE(read.cells.at({1, 2}).wholeNumberFormat);
    EXPECT_EQ(read.cells.at({1, 3}).kind, FileCell::Kind::Boolean);
    EXPECT_EQ(read.cells.at({1, 3}).number, 1.0);
}

TEST(SheetStandIn, RefusesWrongCallsLikeAnAutomationServer)
{
    RecordedStandIn standIn;
    Session session;
    const Variant app = get(session.created, u"Application");
    const Variant books = get(app, u"Workbooks");
    const Variant sheet = get(session.workbook, u"ActiveSheet");
    auto cells = [&](Variant row, Variant column, Variant value) {
        return [=] { put(sheet, u"Cells", row, column, value); };
    };
    const Variant one = Variant::i4(1);
    const Variant text = Variant::bstr(u"x");

    struct Case {
        const char* name;
        std::function<void()> call;
        int32_t code;
    };
    const Case cases[] = {
        {"Application called as a plain method",
         [&] { invoke(session.created, u"Application", InvokeKind::Method, {}); },
         hr::Disp_E_MemberNotFound},
        {"Application with an argument", [&] { get(session.created, u"Application", one); },
         hr::Disp_E_BadParamCount},
        {"Visible put with no Boolean", [&] { put(app, u"Visible", Variant::bstr(u"yes")); },
         hr::Disp_E_TypeMismatch},
        {"Visible put with two values", [&] { put(app, u"Visible", one, one); }, hr::Disp_E_BadParamCount},
        {"Add read as a property",
         [&] { invoke(books, u"Add", InvokeKind::PropertyGet, {}); }, hr::Disp_E_MemberNotFound},
        {"Add with two arguments", [&] { call(books, u"Add", Variant::omitted(), Variant::omitted()); },
         hr::Disp_E_BadParamCount},
        {"Add with a template", [&] { call(books, u"Add", Variant::bstr(u"C:\\t.xlt")); },
         hr::Disp_E_Exception},
        {"ActiveSheet put", [&] { put(session.workbook, u"ActiveSheet", one); }, hr::Disp_E_MemberNotFound},
        {"Cells read", [&] { get(sheet, u"Cells", one, one); }, hr::Disp_E_MemberNotFound},
        {"Cells put without a column", [&] { put(sheet, u"Cells", one, text); }, hr::Disp_E_BadParamCount},
        {"row 0", cells(Variant::i4(0), one, text), hr::Disp_E_Exception},
        {"row past the last", cells(Variant::i4(sheet::MaxRows + 1), one, text), hr::Disp_E_Exception},
        {"row that is no number", cells(Variant::bstr(u"two"), one, text), hr::Disp_E_TypeMismatch},
        {"column past the last, given as text", cells(one, Variant::bstr(u"16385"), text),
         hr::Disp_E_Exception},
        {"value that is an object", cells(one, one, session.workbook), hr::Disp_E_TypeMismatch},
        {"value that is an array", cells(one, one, Variant::array({one})), hr::Disp_E_TypeMismatch},
        {"value omitted", cells(one, one, Variant::omitted()), hr::Disp_E_ParamNotFound},
        {"value not a number",
         cells(one, one, Variant::r8(std::numeric_limits<double>::quiet_NaN())), hr::Disp_E_Exception},
        {"text longer than a cell holds",
         cells(one, one, Variant::bstr(std::u16string(sheet::MaxTextLength + 1, u'a'))),
         hr::Disp_E_Exception},
        {"a member the spreadsheet lacks", [&] { call(app, u"Quit"); }, hr::Disp_E_UnknownName},
    };
    for (const Case& c : cases)
        EXPECT_EQ(failureCode(c.call), c.code) << c.name;

    // A refused call leaves the workbook as it was, and the error names its member.
    try {
        put(sheet, u"Cells", Variant::i4(0), one, text);
        FAIL();
    } catch (const CallFailure& e) {
        EXPECT_EQ(e.member(), u"Cells");
    }
    session.release();
    EXPECT_TRUE(standIn.lastWorkbook().empty());
}

TEST(SheetStandIn, HandsTheWorkbookOverOnlyWhenItsLastReferenceGoes)
{
    RecordedStandIn standIn;
    Session session;
    Variant sheet = get(session.workbook, u"ActiveSheet");
    session.release();
    EXPECT_TRUE(standIn.opened.isEmpty()) << "a held worksheet keeps its workbook";
    put(sheet, u"Cells", Variant::i4(1), Variant::i4(1), Variant::bstr(u"late"));
    sheet.clear();
    ASSERT_EQ(standIn.opened.size(), 1);
    EXPECT_EQ(standIn.lastWorkbook(), (sheet::CellMap{{{1, 1}, Variant::bstr(u"late")}}));
}

TEST(SheetStandIn, HandsOverOnlyWorkbooksAddedToAVisibleApplication)
{
    struct Case {
        const char* name;
        std::function<void(RecordedStandIn&)> run;
        int handedOver;
    };
    const Case cases[] = {
        {"an empty added workbook still reaches the user",
         [](RecordedStandIn&) { Session session; }, 1},
        {"a workbook of an application never made visible goes with it",
         [](RecordedStandIn&) {
             Session session(false);
             session.putCell(1, 1, Variant::bstr(u"x"));
         },
         0},
        {"made visible after the workbook was added",
         [](RecordedStandIn&) {
             Session session(false);
             put(get(session.created, u"Application"), u"Visible", Variant::boolean(true));
         },
         1},
        {"the object the ProgID made is not kept",
         [](RecordedStandIn&) {
             Variant created = Variant::dispatch(createObject(u"Excel.Sheet"));
             put(get(created, u"Application"), u"Visible", Variant::boolean(true));
             put(get(created, u"ActiveSheet"), u"Cells", Variant::i4(1), Variant::i4(1), Variant::i4(1));
         },
         0},
        {"two workbooks, two files",
         [](RecordedStandIn&) {
             Session first;
             Session second;
         },
         2},
    };
    for (const Case& c : cases) {
        RecordedStandIn standIn;
        c.run(standIn);
        EXPECT_EQ(standIn.opened.size(), c.handedOver) << c.name;
        EXPECT_EQ(standIn.opened.removeDuplicates(), 0) << c.name;
        for (const QString& path : standIn.opened)
            EXPECT_NO_THROW(sheettest::readXlsx(path)) << c.name;
    }
}

TEST(SheetStandIn, ReportsAWorkbookItCannotWriteAndOpensNothing)
{
    QTemporaryDir scratch;
    QFile plainFile(scratch.filePath(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();

    const QString folders[] = {
        scratch.filePath(QStringLiteral("missing")),
        plainFile.fileName(),
    };
    for (const QString& folder : folders) {
        MessageRecorder messages;
        QStringList opened;
        sheet::StandInOptions options;
        options.folder = folder;
        options.opener = [&](const QString& path) { opened.append(path); };
        auto registration = sheet::registerStandIn(options);
        {
            Session session;
            session.putCell(1, 1, Variant::bstr(u"x"));
        } // the release must not throw
        ASSERT_EQ(messages.all.size(), 1) << folder.toStdString();
        EXPECT_TRUE(messages.messages.front().startsWith(QStringLiteral("Не удается сохранить книгу")))
            << messages.messages.front().toStdString();
        EXPECT_TRUE(messages.messages.front().contains(QDir::toNativeSeparators(folder)));
        EXPECT_TRUE(opened.isEmpty());
    }
}

TEST(SheetStandIn, TellsWhereTheFileIsWhenNothingCanOpenIt)
{
    MessageRecorder messages;
    QTemporaryDir folder;
    sheet::StandInOptions options;
    options.folder = folder.path();
    options.opener = [](const QString&) { throw std::runtime_error("no program for .xlsx files"); };
    auto registration = sheet::registerStandIn(options);
    { Session session; }

    const QStringList written = QDir(folder.path()).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 1);
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages.front().contains(written.front()));
    EXPECT_TRUE(messages.messages.front().contains(QStringLiteral("no program for .xlsx files")));
}

namespace {

// A stand-in for the desktop's opener: a script that notes the file it was
// handed and ends with the given status, judged as the desktop's opener is.
class FakeDesktopOpener {
public:
    explicit FakeDesktopOpener(int exitStatus)
    {
        script = folder.filePath(QStringLiteral("open-desktop"));
        QFile file(script);
        file.open(QIODevice::WriteOnly);
        file.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\nexit %2\n")
                       .arg(folder.filePath(QStringLiteral("handed")))
                       .arg(exitStatus)
                       .toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        previous = os::setDesktopOpener([this](const QString& target, os::OpenWait wait) {
            waits.push_back(wait);
            return os::launchAndJudge(script, {target}, wait == os::OpenWait::ForVerdict ? 3s : 0ms);
        });
    }
    ~FakeDesktopOpener() { os::setDesktopOpener(previous); }

    QString handedFile() const
    {
        QFile file(folder.filePath(QStringLiteral("handed")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    std::vector<os::OpenWait> waits;

private:
    QTemporaryDir folder;
    QString script;
    os::DesktopOpener previous;
};

// Points the temp folder somewhere of the test's own while it lives.
class TempFolder {
public:
    TempFolder() : m_previous(qgetenv("TMPDIR")) { qputenv("TMPDIR", QFile::encodeName(m_folder.path())); }
    ~TempFolder()
    {
        if (m_previous.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_previous);
    }
    QString path() const { return QDir(m_folder.path()).absolutePath(); }

private:
    QTemporaryDir m_folder;
    QByteArray m_previous;
};

} // namespace

TEST(SheetStandIn, UsesTheTempFolderAndTheDesktopOpenerByDefault)
{
    TempFolder temp;
    FakeDesktopOpener desktop(0);
    MessageRecorder messages;
    {
        auto registration = sheet::registerStandIn();
        Session session;
    }
    const QString handed = desktop.handedFile();
    EXPECT_EQ(desktop.waits, std::vector<os::OpenWait>{os::OpenWait::ForVerdict});
    EXPECT_EQ(QFileInfo(handed).absolutePath(), temp.path());
    EXPECT_TRUE(QFileInfo::exists(handed));
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
}

TEST(SheetStandIn, AWorkbookTheDesktopCannotShowIsNamedWithItsFullPathInOneMessage)
{
    TempFolder temp;
    FakeDesktopOpener desktop(3); // the desktop knows no program for the type
    MessageRecorder messages;
    {
        auto registration = sheet::registerStandIn();
        Session session;
    }
    const QStringList written = QDir(temp.path()).entryList(QDir::Files);
    ASSERT_EQ(written.size(), 1);
    ASSERT_EQ(messages.all.size(), 1);
    const QString fullPath = QDir::toNativeSeparators(temp.path() + QLatin1Char('/') + written.front());
    EXPECT_TRUE(messages.messages.front().contains(QLatin1Char('"') + fullPath + QLatin1Char('"')))
        << messages.messages.front().toStdString();
}

