// A save of the harvest that is cut short (the process killed, the disk
// full) leaves the old rows or the new ones, never a mix, and a sound file.
#include "SavedRows.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

namespace {

constexpr int OldCount = 3000;
constexpr int NewCount = 10000;

QString childProgram() { return QCoreApplication::applicationDirPath() + QStringLiteral("/vedoris_save_child"); }

QString schemaSql()
{
    QFile file(QStringLiteral(VEDORIS_SCHEMA_SQL));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Reads the child's report lines until one starts with `prefix`; empty when
// the child ended first.
QString waitForLine(QProcess& child, const QString& prefix)
{
    while (true) {
        while (child.canReadLine()) {
            const QString line = QString::fromUtf8(child.readLine()).trimmed();
            if (line.startsWith(prefix))
                return line;
        }
        if (child.state() == QProcess::NotRunning || !child.waitForReadyRead(120000))
            return child.canReadLine() ? waitForLine(child, prefix) : QString();
    }
}

class InterruptedSave : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        database = folder.filePath(QStringLiteral("spec_base.mdb"));
    }

    void freshOldRows()
    {
        QFile::remove(database);
        QFile::remove(database + QStringLiteral("-journal"));
        ASSERT_TRUE(makeDatabaseWithOldRows(database, schemaSql(), OldCount));
    }

    void startSave(QProcess& child)
    {
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(childProgram(), {QStringLiteral("save"), database, QString::number(NewCount)});
        ASSERT_TRUE(child.waitForStarted(10000));
    }

    QTemporaryDir folder;
    QString database;
};

TEST_F(InterruptedSave, AKillAtAnyPointLeavesTheOldRowsOrTheNewOnesAndASoundFile)
{
    // One save to the end first: how long it takes here sets the kill points.
    freshOldRows();
    QProcess whole;
    startSave(whole);
    ASSERT_FALSE(waitForLine(whole, QStringLiteral("saving")).isEmpty());
    const QString saved = waitForLine(whole, QStringLiteral("saved"));
    ASSERT_FALSE(saved.isEmpty());
    whole.waitForFinished(60000);
    const int saveMs = saved.section(QLatin1Char(' '), 1, 1).toInt();
    ASSERT_TRUE(readSavedRows(database).isNew(NewCount));

    int endedOld = 0;
    int endedNew = 0;
    for (const double fraction : {0.0, 0.25, 0.5, 0.75, 0.95, 1.2}) {
        SCOPED_TRACE(testing::Message() << "killed at " << fraction << " of " << saveMs << " ms");
        freshOldRows();
        QProcess child;
        startSave(child);
        ASSERT_FALSE(waitForLine(child, QStringLiteral("saving")).isEmpty());
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(fraction * saveMs * 1000)));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(30000));

        const SavedRows after = readSavedRows(database);
        ASSERT_TRUE(after.error.isEmpty()) << after.error.toStdString();
        EXPECT_EQ(after.integrity, QStringLiteral("ok"));
        EXPECT_TRUE(after.isOld(OldCount) || after.isNew(NewCount))
            << after.rows << " rows, " << after.oldRows << " of them old";
        endedOld += after.isOld(OldCount) ? 1 : 0;
        endedNew += after.isNew(NewCount) ? 1 : 0;
    }
    RecordProperty("ended_with_old_rows", endedOld);
    RecordProperty("ended_with_new_rows", endedNew);
}

TEST(FullDisk, TheErrorIsShownTheOldRowsStayAndTheProgramGoesOn)
{
    QTemporaryDir disk;
    ASSERT_TRUE(disk.isValid());
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(childProgram(), {QStringLiteral("full-disk"), disk.path(), QString::number(OldCount),
                                 QString::number(NewCount)});
    ASSERT_TRUE(child.waitForStarted(10000));
    ASSERT_TRUE(child.waitForFinished(300000));
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(child.exitCode(), 0) << lines.join(QLatin1Char('\n')).toStdString();
    // Where the system allows no tmpfs of our own, a file-size limit stands
    // in for the full disk.
    ASSERT_FALSE(lines.isEmpty());
    RecordProperty("disk", lines.front().toStdString());

    const qsizetype freed = lines.indexOf(QStringLiteral("space freed"));
    ASSERT_GT(freed, 0) << lines.join(QLatin1Char('\n')).toStdString();
    const QStringList full = lines.mid(1, freed - 1);
    const QStringList after = lines.mid(freed + 1);

    // The save fails with the program's error box and nothing else.
    ASSERT_EQ(full.size(), 3) << full.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(full[0].startsWith(QStringLiteral("error: "))) << full[0].toStdString();
    EXPECT_EQ(full[1], QStringLiteral("table %1").arg(OldCount));
    EXPECT_EQ(full[2], QStringLiteral("file ok %1 %1").arg(OldCount));

    // With room again, the same command stores the new rows.
    EXPECT_EQ(after, (QStringList{QStringLiteral("table %1").arg(NewCount), QStringLiteral("file ok %1 0").arg(NewCount)}));
}

} // namespace
