// The harvest of the sample drawing (samples/pipes.dxf) against the CAD
// simulator in another process stores exactly the rows listed in
// pipes-harvest.tsv. The Windows end-to-end test holds the Windows program,
// driven through its real windows under Wine, to the same list.
#include "app/Session.h"
#include "app/TWMain.h"
#include "data/TSpecData.h"
#include "platform/automation/Dispatch.h"
#include "platform/db/Dataset.h"
#include "support/CadsimProcess.h"
#include "support/MessageRecorder.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include <memory>

// How GoogleTest shows a stored row in a failure (found by argument lookup).
void PrintTo(const TestDatabase::Row& row, std::ostream* out)
{
    *out << row.layer.value_or(QStringLiteral("(null)")).toStdString() << " " << row.objectId.value_or(-1) << " "
         << row.length.value_or(-1) << " " << row.rmax.value_or(-1) << " " << row.rmin.value_or(-1);
}

namespace {

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

// The expected rows: tab-separated, "#" starts a comment line.
std::vector<TestDatabase::Row> expectedRows()
{
    std::vector<TestDatabase::Row> rows;
    QTextStream in(fileContents(QStringLiteral(VEDORIS_E2E_DIR "/pipes-harvest.tsv")));
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() != 5)
            throw std::runtime_error("a row of pipes-harvest.tsv without five fields: " + line.toStdString());
        rows.push_back({.objectId = f[1].toLongLong(),
                        .layer = f[0],
                        .length = f[2].toDouble(),
                        .rmax = f[3].toDouble(),
                        .rmin = f[4].toDouble()});
    }
    return rows;
}

TEST(SampleDrawing, TheHarvestStoresTheListedRows)
{
    MessageRecorder messages;
    TestDatabase database;
    CadsimProcess cad(fileContents(QStringLiteral(VEDORIS_SAMPLES_DIR "/pipes.dxf")));
    {
        SessionOptions options;
        options.connectionString = database.connectionString();
        options.messages = &messages;
        const Session session(std::move(options));
        ASSERT_FALSE(cad.start({"--support-path", cad.path("support"), "--id-seed", "1"}).isEmpty());
        session.mainWindow().show();
        session.mainWindow().N3Click();
    }
    cad.stop();

    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_EQ(database.rowsWithoutKeys(), expectedRows());
}

// The CAD the designer has: nanoCAD, ZWCAD, BricsCAD or GstarCAD, each found
// by its own ProgID and asked whether it is idle by its own name. Each gives
// the sample's pipes, BricsCAD too, whose LISP cannot load tr.fas (the pipes
// carry their data from when they were drawn); and "Выделить" on the third
// row selects that row's pipe.
struct OtherCad {
    const char* as;
    const char16_t* progId;
    bool loadsTheProgram;
};

class EachCad : public testing::TestWithParam<OtherCad> {};

TEST_P(EachCad, GivesEveryPipeOfTheSampleAndSelectsTheRowsPipe)
{
    MessageRecorder messages;
    TestDatabase database;
    CadsimProcess cad(fileContents(QStringLiteral(VEDORIS_SAMPLES_DIR "/pipes.dxf")));
    QString output;
    std::u16string selected;
    std::u16string rowsHandle;
    {
        SessionOptions options;
        options.connectionString = database.connectionString();
        options.messages = &messages;
        const Session session(std::move(options));
        const automation::Variant app = cad.start(
            {"--as", GetParam().as, "--support-path", cad.path("support"), "--id-seed", "1"}, GetParam().progId);
        ASSERT_FALSE(app.isEmpty());
        session.mainWindow().show();
        session.mainWindow().N3Click();

        db::Dataset& table = *session.data().TTruba;
        table.first();
        table.next();
        table.next();
        rowsHandle = session.data().TTrubaFHandle->asString().toStdU16String();
        session.mainWindow().N9Click();
        const automation::Variant selection =
            automation::get(automation::get(app, u"ActiveDocument"), u"PickfirstSelectionSet");
        if (automation::get(selection, u"Count").toI4() == 1)
            selected = automation::get(automation::call(selection, u"Item", automation::Variant::i4(0)), u"Handle").toBStr();
        cad.process().waitForReadyRead(200);
        output = QString::fromUtf8(cad.process().readAllStandardOutput());
    }
    cad.stop();

    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    EXPECT_EQ(database.rowsWithoutKeys(), expectedRows());
    EXPECT_FALSE(rowsHandle.empty());
    EXPECT_EQ(selected, rowsHandle);
    EXPECT_EQ(output.contains(QStringLiteral("LOAD failed")), !GetParam().loadsTheProgram) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cads, EachCad,
                         testing::Values(OtherCad{"nanocad", u"nanoCAD.Application", true},
                                         OtherCad{"zwcad", u"ZWCAD.Application", true},
                                         OtherCad{"bricscad", u"BricscadApp.AcadApplication", false},
                                         OtherCad{"gstarcad", u"Gcad.Application", true}),
                         [](const testing::TestParamInfo<OtherCad>& info) { return std::string(info.param.as); });

} // namespace
