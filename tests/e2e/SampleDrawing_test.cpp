// The harvest of the sample drawing (samples/pipes.dxf) against the CAD
// simulator in another process stores exactly the rows listed in
// pipes-harvest.tsv. The Windows end-to-end test holds the Windows program,
// driven through its real windows under Wine, to the same list.
#include "app/Session.h"
#include "app/TWMain.h"
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
    std::vector<TestDatabase::Row> stored = database.rows();
    for (TestDatabase::Row& row : stored)
        row.key.reset();
    EXPECT_EQ(stored, expectedRows());
}

} // namespace
