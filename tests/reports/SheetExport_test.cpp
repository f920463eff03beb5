#include "FakeSpreadsheet.h"
#include "RecordedStandIn.h"
#include "XlsxReader.h"

#include "platform/db/Dataset.h"
#include "platform/db/Field.h"
#include "platform/messages/SilentAbort.h"
#include "platform/messages/Progress.h"
#include "reports/SheetExport.h"
#include "support/MessageRecorder.h"
#include "support/PipeTableFixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

using automation::InvokeKind;
using automation::Variant;
using sheet::CellMap;
using sheettest::FileCell;

namespace {

const QString ExportFailed = QStringLiteral("Не удается запустить Excel!!!");

Variant text(const char16_t* s) { return Variant::bstr(s); }

CellMap pipeListHeader()
{
    return {{{1, 1}, text(u"Слой")},
            {{1, 2}, text(u"Длинна, мм")},
            {{1, 3}, text(u"D наружный, мм")},
            {{1, 4}, text(u"D внутренний, мм")}};
}

CellMap totalsHeader()
{
    return {{{1, 1}, text(u"Длинна, мм")}, {{1, 2}, text(u"D наружный, мм")}, {{1, 3}, text(u"D внутренний, мм")}};
}

CellMap withRow(CellMap cells, int32_t row, std::vector<Variant> values)
{
    for (size_t i = 0; i < values.size(); ++i)
        cells[{row, static_cast<int32_t>(i + 1)}] = values[i];
    return cells;
}

} // namespace

TEST(PipeListExport, WritesTheHeaderAndEveryPipeInTableOrderAndReturnsToTheFirstRow)
{
    PipeTableFixture pipes({pipe("B", 1000.4, 57.0, 50.0),
                            pipe("A", 1234.5, 76.1, 70.0), pipe("A", 1235.5, 32.0, 28.5)});
    pipes.open();
    pipes.data.TTruba->last();
    RecordedStandIn standIn;
    MessageRecorder messages;

    ExportPipeList(pipes.data);

    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(u'|').toStdString();
    CellMap expected = pipeListHeader();
    expected = withRow(expected, 2, {text(u"A"), Variant::i4(1236), Variant::r8(32.0), Variant::r8(28.5)});
    expected = withRow(expected, 3, {text(u"A"), Variant::i4(1234), Variant::r8(76.1), Variant::r8(70.0)});
    expected = withRow(expected, 4, {text(u"B"), Variant::i4(1000), Variant::r8(57.0), Variant::r8(50.0)});
    EXPECT_EQ(standIn.lastWorkbook(), expected);
    EXPECT_EQ(pipes.data.TTruba->recNo(), 0);
    EXPECT_FALSE(pipes.data.TTruba->eof());

    // The file the user is handed keeps the kinds: text, whole numbers, doubles.
    ASSERT_EQ(standIn.opened.size(), 1);
    const auto read = sheettest::readXlsx(standIn.opened.front());
    ASSERT_EQ(read.cells.size(), 16u);
    EXPECT_EQ(read.cells.at({1, 4}).text, QStringLiteral("D внутренний, мм"));
    EXPECT_EQ(read.cells.at({2, 1}).kind, FileCell::Kind::Text);
    EXPECT_EQ(read.cells.at({2, 2}).kind, FileCell::Kind::Number);
    EXPECT_TRUE(read.cells.at({2, 2}).wholeNumberFormat);
    EXPECT_EQ(read.cells.at({2, 2}).number, 1236.0);
    EXPECT_EQ(read.cells.at({3, 3}).number, 76.1);
    EXPECT_FALSE(read.cells.at({3, 3}).wholeNumberFormat);
}

// A list of several drawings names each pipe's drawing, by its file's name,
// in a fifth column; a list of one drawing keeps its four.
TEST(PipeListExport, NamesTheDrawingOfEachPipeOnlyWhereThereAreSeveral)
{
    for (const bool several : {true, false}) {
        SCOPED_TRACE(several ? "several drawings" : "one drawing");
        PipeTableFixture pipes({pipe("A", 1000, 57.0, 50.0), pipe("B", 2000, 32.0, 28.0)});
        pipes.file.exec(QStringLiteral("UPDATE TTruba SET FPath = '/p/Секция 1.dwg'"));
        if (several)
            pipes.file.exec(QStringLiteral("UPDATE TTruba SET FPath = '/p/Секция 2.dwg' WHERE FLayer = 'B'"));
        pipes.open();
        RecordedStandIn standIn;
        MessageRecorder messages;

        ExportPipeList(pipes.data);

        CellMap expected = pipeListHeader();
        if (several)
            expected[{1, 5}] = text(u"Чертёж");
        std::vector<Variant> a{text(u"A"), Variant::i4(1000), Variant::r8(57.0), Variant::r8(50.0)};
        std::vector<Variant> b{text(u"B"), Variant::i4(2000), Variant::r8(32.0), Variant::r8(28.0)};
        if (several) {
            a.push_back(text(u"Секция 1.dwg"));
            b.push_back(text(u"Секция 2.dwg"));
        }
        expected = withRow(withRow(expected, 2, a), 3, b);
        EXPECT_EQ(standIn.lastWorkbook(), expected);
        EXPECT_TRUE(messages.all.isEmpty());
    }
}

TEST(PipeListExport, ConvertsEachFieldAsItsColumnSays)
{
    struct Case {
        const char* name;
        TestDatabase::Row row;
        std::vector<Variant> expected;
    };
    TestDatabase::Row nulls; // every column Null
    TestDatabase::Row noLayer = pipe("", 10.0, 20.0, 5.0);
    noLayer.layer.reset();
    const Case cases[] = {
        {"halfway down to even", pipe("L", 1234.5, 57.5, 50.25),
         {text(u"L"), Variant::i4(1234), Variant::r8(57.5), Variant::r8(50.25)}},
        {"halfway up to even", pipe("L", 1235.5, 1.0, 0.0),
         {text(u"L"), Variant::i4(1236), Variant::r8(1.0), Variant::r8(0.0)}},
        {"just above half", pipe("L", 1234.6, 1.0, 0.0),
         {text(u"L"), Variant::i4(1235), Variant::r8(1.0), Variant::r8(0.0)}},
        {"negative halfway", pipe("L", -2.5, -1.5, -0.5),
         {text(u"L"), Variant::i4(-2), Variant::r8(-1.5), Variant::r8(-0.5)}},
        {"a layer of digits stays text", pipe("0123", 1.0, 2.0, 3.0),
         {text(u"0123"), Variant::i4(1), Variant::r8(2.0), Variant::r8(3.0)}},
        {"Cyrillic layer", pipe("Трубопровод В1", 1.0, 2.0, 3.0),
         {text(u"Трубопровод В1"), Variant::i4(1), Variant::r8(2.0), Variant::r8(3.0)}},
        {"no layer", noLayer, {text(u""), Variant::i4(10), Variant::r8(20.0), Variant::r8(5.0)}},
        {"all Null", nulls, {text(u""), Variant::i4(0), Variant::r8(0.0), Variant::r8(0.0)}},
    };
    for (const Case& c : cases) {
        PipeTableFixture pipes({c.row});
        pipes.open();
        RecordedStandIn standIn;
        MessageRecorder messages;
        ExportPipeList(pipes.data);
        EXPECT_TRUE(messages.all.isEmpty()) << c.name;
        EXPECT_EQ(standIn.lastWorkbook(), withRow(pipeListHeader(), 2, c.expected)) << c.name;
    }
}

TEST(PipeListExport, AnEmptyTableGivesTheHeaderRowOnly)
{
    PipeTableFixture pipes;
    pipes.open();
    RecordedStandIn standIn;
    MessageRecorder messages;
    ExportPipeList(pipes.data);
    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_EQ(standIn.lastWorkbook(), pipeListHeader());
    EXPECT_EQ(standIn.opened.size(), 1);
}

TEST(PipeListExport, AClosedTableGivesTheHeaderRowThenTheMessage)
{
    struct Case {
        const char* name;
        std::function<void(PipeTableFixture&)> prepare;
    };
    const Case cases[] = {
        {"database not connected", [](PipeTableFixture&) {}},
        {"connected, table closed", [](PipeTableFixture& p) { p.data.ADOConnection.open(); }},
    };
    for (const Case& c : cases) {
        PipeTableFixture pipes({pipe("A", 1, 2, 3)});
        c.prepare(pipes);
        RecordedStandIn standIn;
        MessageRecorder messages;
        ExportPipeList(pipes.data);
        EXPECT_EQ(messages.all, QStringList{ExportFailed}) << c.name;
        EXPECT_EQ(standIn.lastWorkbook(), pipeListHeader()) << c.name;
        EXPECT_EQ(standIn.opened.size(), 1) << c.name;
    }
}

TEST(PipeListExport, ANewRowFailingValidationShowsItsMessageThenTheExportMessage)
{
    PipeTableFixture pipes({pipe("A", 1, 2, 3)});
    pipes.open();
    db::Dataset& table = *pipes.data.TTruba;
    table.append();
    pipes.data.TTrubaFLayer->setAsString(QStringLiteral("новая"));
    RecordedStandIn standIn;
    MessageRecorder messages;

    ExportPipeList(pipes.data);

    EXPECT_EQ(messages.all, (QStringList{QStringLiteral("Необходимо указать длинну!!!"), ExportFailed}));
    EXPECT_EQ(standIn.lastWorkbook(), pipeListHeader());
    EXPECT_EQ(table.state(), db::DatasetState::Insert);
    EXPECT_EQ(pipes.data.TTrubaFLayer->asString(), QStringLiteral("новая"));
    EXPECT_EQ(pipes.file.rowCount(), 1);
}

TEST(PipeListExport, APendingValidRowIsPostedAndExported)
{
    PipeTableFixture pipes({pipe("B", 1, 2, 3)});
    pipes.open();
    db::Dataset& table = *pipes.data.TTruba;
    table.append();
    pipes.data.TTrubaFLayer->setAsString(QStringLiteral("A"));
    pipes.data.TTrubaFLength->setAsFloat(99.5);
    pipes.data.TTrubaFRmax->setAsFloat(10.0);
    RecordedStandIn standIn;
    MessageRecorder messages;

    ExportPipeList(pipes.data);

    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_EQ(table.state(), db::DatasetState::Browse);
    EXPECT_EQ(pipes.file.rowCount(), 2);
    // The posted row is in the workbook, with the inner diameter that the
    // validation made 0 before the walk.
    const CellMap& cells = standIn.lastWorkbook();
    ASSERT_EQ(cells.size(), 12u);
    const int32_t newRow = cells.at({2, 1}) == text(u"A") ? 2 : 3;
    EXPECT_EQ(cells.at({newRow, 1}), text(u"A"));
    EXPECT_EQ(cells.at({newRow, 2}), Variant::i4(100));
    EXPECT_EQ(cells.at({newRow, 4}), Variant::r8(0.0));
    EXPECT_EQ(cells.at({5 - newRow, 1}), text(u"B"));
}

// A whole number beyond the cell's 32-bit integer goes as a double of the
// same whole value, rounded as every length is, and the rows after it follow.
TEST(PipeListExport, ALengthBeyondThirtyTwoBitsIsWrittenAsAWholeDoubleAndTheRestFollows)
{
    struct Case {
        const char* name;
        double length;
        Variant expected;
    };
    const Case cases[] = {
        {"the largest 32-bit value", 2147483647.4, Variant::i4(2147483647)},
        {"rounded up past it", 2147483647.5, Variant::r8(2147483648.0)},
        {"the smallest 32-bit value", -2147483648.5, Variant::i4(-2147483647 - 1)},
        {"below it", -2147483649.0, Variant::r8(-2147483649.0)},
        {"a typo with extra zeros, halfway to even", 3000000000.5, Variant::r8(3000000000.0)},
        {"a runaway pipe of the drawing", 1e12, Variant::r8(1e12)},
    };
    for (const Case& c : cases) {
        std::vector<TestDatabase::Row> rows;
        for (int i = 0; i < 10; ++i)
            rows.push_back(pipe(QString::number(i).toStdString().c_str(), i == 3 ? c.length : 100.0 + i, 57, 50));
        PipeTableFixture pipes(rows);
        pipes.open();
        RecordedStandIn standIn;
        MessageRecorder messages;
        ExportPipeList(pipes.data);
        EXPECT_TRUE(messages.all.isEmpty()) << c.name << ": " << messages.all.join(u'|').toStdString();
        const CellMap cells = standIn.lastWorkbook();
        EXPECT_EQ(cells.size(), 44u) << c.name;
        EXPECT_EQ(cells.at({5, 2}), c.expected) << c.name;
        EXPECT_EQ(cells.at({11, 1}), text(u"9")) << c.name;
        EXPECT_EQ(cells.at({11, 2}), Variant::i4(109)) << c.name;
    }
}

TEST(TotalsExport, ATotalBeyondThirtyTwoBitsIsWrittenAsAWholeDoubleAndTheRestFollows)
{
    PipeTableFixture pipes({pipe("A", 2.0e9, 57.0, 50.0), pipe("B", 2.0e9, 57.0, 50.0), pipe("C", 10.5, 76.5, 70.0)});
    pipes.open();
    pipes.data.VTruba->open();
    RecordedStandIn standIn;
    MessageRecorder messages;

    ExportTotals(pipes.data);

    EXPECT_TRUE(messages.all.isEmpty());
    const CellMap cells = standIn.lastWorkbook();
    ASSERT_EQ(cells.size(), 9u);
    std::set<std::pair<automation::VarType, double>> lengths;
    for (int32_t row : {2, 3})
        lengths.insert({cells.at({row, 1}).type(), cells.at({row, 1}).toR8()});
    EXPECT_EQ(lengths, (std::set<std::pair<automation::VarType, double>>{{automation::VarType::R8, 4.0e9}, {automation::VarType::I4, 10.0}}));
}

TEST(TotalsExport, WritesTheTotalPerDiameterPair)
{
    PipeTableFixture pipes({pipe("A", 1000.25, 57.0, 50.0),
                            pipe("B", 500.25, 57.0, 50.0), pipe("C", 10.5, 76.5, 70.0)});
    pipes.open();
    pipes.data.VTruba->open();
    pipes.data.VTruba->last();
    RecordedStandIn standIn;
    MessageRecorder messages;

    ExportTotals(pipes.data);

    EXPECT_TRUE(messages.all.isEmpty());
    CellMap expected = totalsHeader();
    expected = withRow(expected, 2, {Variant::i4(1500), Variant::r8(57.0), Variant::r8(50.0)});
    expected = withRow(expected, 3, {Variant::i4(10), Variant::r8(76.5), Variant::r8(70.0)});
    EXPECT_EQ(standIn.lastWorkbook(), expected);
    EXPECT_EQ(pipes.data.VTruba->recNo(), 0);
}

TEST(SpreadsheetExport, WithoutASpreadsheetBothExportsShowOnlyTheirMessage)
{
    PipeTableFixture pipes({pipe("A", 1, 2, 3)});
    pipes.open();
    pipes.data.VTruba->open();
    MessageRecorder messages;
    ExportPipeList(pipes.data);
    ExportTotals(pipes.data);
    EXPECT_EQ(messages.all, (QStringList{ExportFailed, ExportFailed}));
}

TEST(SpreadsheetExport, CallsTheSpreadsheetExactlyAsItsAutomationContractSays)
{
    PipeTableFixture pipes({pipe("A", 7.5, 2.5, 1.0)});
    pipes.open();
    pipes.data.VTruba->open();
    FakeSpreadsheet spreadsheet;
    MessageRecorder messages;

    ExportTotals(pipes.data);

    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_TRUE(spreadsheet.allReleased());
    const auto& calls = spreadsheet.calls;
    ASSERT_EQ(calls.size(), 5u + 2 * 6);

    auto expectCall = [&](size_t i, const char* object, const char16_t* member, InvokeKind kind,
                          std::vector<Variant> args) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].object, object);
        EXPECT_EQ(calls[i].member, member);
        EXPECT_EQ(calls[i].kind, kind);
        EXPECT_EQ(calls[i].args, args);
    };
    expectCall(0, "sheetObject", u"Application", InvokeKind::MethodOrGet, {});
    expectCall(1, "application", u"Visible", InvokeKind::PropertyPut, {Variant::boolean(true)});
    expectCall(2, "sheetObject", u"Application", InvokeKind::MethodOrGet, {});
    expectCall(3, "application", u"Workbooks", InvokeKind::MethodOrGet, {});
    expectCall(4, "workbooks", u"Add", InvokeKind::Method, {Variant::omitted()});

    const std::vector<std::vector<Variant>> cells = {
        {Variant::i4(1), Variant::i4(1), text(u"Длинна, мм")},
        {Variant::i4(1), Variant::i4(2), text(u"D наружный, мм")},
        {Variant::i4(1), Variant::i4(3), text(u"D внутренний, мм")},
        {Variant::i4(2), Variant::i4(1), Variant::i4(8)},
        {Variant::i4(2), Variant::i4(2), Variant::r8(2.5)},
        {Variant::i4(2), Variant::i4(3), Variant::r8(1.0)},
    };
    for (size_t n = 0; n < cells.size(); ++n) {
        // The active sheet is fetched anew before every cell; the row goes by
        // reference, the column and the value by value.
        expectCall(5 + 2 * n, "workbook", u"ActiveSheet", InvokeKind::MethodOrGet, {});
        expectCall(6 + 2 * n, "worksheet", u"Cells", InvokeKind::PropertyPut, cells[n]);
        EXPECT_EQ(calls[6 + 2 * n].byRef, (std::vector<bool>{true, false, false}));
    }
}

// Any failure ends the export with its one message; the user's stop ends it
// quietly. Either way nothing more is sent to the spreadsheet, whatever was
// written stays in the workbook, and every object is let go.
TEST(SpreadsheetExport, AnyFailureEndsTheExportWithTheOneMessageAndReleasesEverything)
{
    struct Case {
        const char* name;
        int failAt;
        std::function<void()> failure;
        size_t cellsWritten;
        bool tableOnFirstRow;
        bool message = true;
    };
    auto answeredWithError = [] { throw automation::AutomationError(automation::hr::E_Fail, u"Refused"); };
    auto linkFailed = [] { throw automation::LinkFailure(automation::hr::Rpc_E_ServerDied, {}); };
    auto stopped = [] { throw progress::Cancelled(); };
    const Case cases[] = {
        {"the spreadsheet cannot be created", 0, answeredWithError, 0, false},
        {"Add", 5, linkFailed, 0, false},
        {"a header cell", 9, linkFailed, 1, false},
        {"a cell of the second pipe", 6 + 2 * 4 + 2 * 4 + 3, answeredWithError, 4 + 4 + 1, false},
        {"something that is no automation error", 12, [] { throw std::bad_alloc(); }, 3, false},
        {"a silent abort", 12, [] { throw SilentAbort(); }, 3, false},
        // "Отмена" heard while the spreadsheet refused a call as busy.
        {"the user's stop while the workbook is made", 5, stopped, 0, false, false},
        {"the user's stop at a cell", 9, stopped, 1, false, false},
        {"never", -1, answeredWithError, 12, true, false},
    };
    for (const Case& c : cases) {
        PipeTableFixture pipes({pipe("A", 1, 2, 3), pipe("B", 4, 5, 6)});
        pipes.open();
        pipes.data.TTruba->last();
        FakeSpreadsheet spreadsheet;
        spreadsheet.failAt = c.failAt;
        spreadsheet.failure = c.failure;
        MessageRecorder messages;

        ExportPipeList(pipes.data);

        EXPECT_EQ(messages.all, c.message ? QStringList{ExportFailed} : QStringList()) << c.name;
        EXPECT_TRUE(spreadsheet.allReleased()) << c.name;
        EXPECT_EQ(spreadsheet.cells().size(), c.cellsWritten) << c.name;
        EXPECT_EQ(pipes.data.TTruba->recNo() == 0, c.tableOnFirstRow) << c.name;
        if (c.failAt >= 0) {
            // The failing call was the last one the spreadsheet got.
            EXPECT_LE(spreadsheet.calls.size(), size_t(c.failAt)) << c.name;
        }
    }
}
