#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Statement.h"
#include "platform/db/Transaction.h"
#include "support/AsNobody.h"
#include "support/DbErrorOf.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString connectionStringFor(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False").arg(path);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The message of the DbError that open() throws, or "" when it succeeds.
QString openError(db::Connection& connection)
{
    return dbErrorOf([&] { connection.open(); });
}

TEST(Connection, OpensTheProgramsFile)
{
    TestDatabase file;
    db::Connection connection;
    connection.setConnectionString(file.connectionString());
    EXPECT_EQ(connection.dataSource(), file.path());
    connection.open();
    EXPECT_TRUE(connection.isConnected());
    EXPECT_FALSE(connection.isReadOnly());
    connection.open(); // a second open does nothing
    EXPECT_TRUE(connection.isConnected());
    connection.close();
    EXPECT_FALSE(connection.isConnected());
}

TEST(Connection, MissingFileFailsAndIsNotCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("spec_base.mdb"));
    db::Connection connection;
    connection.setConnectionString(connectionStringFor(path));
    const QString error = openError(connection);
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("does not exist"))) << error.toStdString();
    EXPECT_FALSE(connection.isConnected());
    EXPECT_FALSE(QFile::exists(path));
}

struct BadFileCase {
    const char* name;
    QByteArray content;
    const char* expected;
};

class ConnectionBadFileTest : public testing::TestWithParam<BadFileCase> {};

// A file that is no database must fail when connecting, not at the first
// query, and must come out of the attempt untouched.
TEST_P(ConnectionBadFileTest, FailsAtOpen)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("spec_base.mdb"));
    writeFile(path, GetParam().content);
    db::Connection connection;
    connection.setConnectionString(connectionStringFor(path));
    const QString error = openError(connection);
    EXPECT_TRUE(error.contains(QString::fromLatin1(GetParam().expected))) << error.toStdString();
    EXPECT_FALSE(connection.isConnected());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), GetParam().content);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionBadFileTest,
    testing::Values(BadFileCase{"Text", QByteArray("Layer;Length\nТруба;1000\n").repeated(200), "not a database"},
                    BadFileCase{"Empty", QByteArray(), "not a database"},
                    BadFileCase{"AccessFileHeader", QByteArray("\x00\x01\x00\x00Standard Jet DB", 19).leftJustified(4096, '\0'),
                                "not a database"}),
    [](const testing::TestParamInfo<BadFileCase>& info) { return std::string(info.param.name); });

struct BadStringCase {
    const char* name;
    const char* text;
    const char* expected;
};

class ConnectionStringRefusedTest : public testing::TestWithParam<BadStringCase> {};

TEST_P(ConnectionStringRefusedTest, FailsAtOpen)
{
    db::Connection connection;
    connection.setConnectionString(QString::fromLatin1(GetParam().text));
    const QString error = openError(connection);
    EXPECT_TRUE(error.contains(QString::fromLatin1(GetParam().expected))) << error.toStdString();
    EXPECT_FALSE(connection.isConnected());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionStringRefusedTest,
    testing::Values(
        BadStringCase{"OtherProvider", "Provider=SQLOLEDB;Data Source=/tmp/x.mdb", "Provider cannot be found"},
        BadStringCase{"NoProvider", "Data Source=/tmp/x.mdb", "names no provider"},
        BadStringCase{"PlaceholderNotRewritten", "Provider=Microsoft.Jet.OLEDB.4.0;Data [Source];Persist Security Info=False",
                      "names no data source"}),
    [](const testing::TestParamInfo<BadStringCase>& info) { return std::string(info.param.name); });

TEST(Connection, OpensAFileUnderACyrillicFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Проекты/Трубы")));
    TestDatabase source;
    const QString path = dir.filePath(QStringLiteral("Проекты/Трубы/spec_base.mdb"));
    ASSERT_TRUE(QFile::copy(source.path(), path));
    db::Connection connection;
    connection.setConnectionString(connectionStringFor(path));
    EXPECT_EQ(openError(connection), QString());
}

TEST(Connection, SwitchesAWalFileBackToARollbackJournal)
{
    TestDatabase file;
    file.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    db::Connection connection;
    connection.setConnectionString(file.connectionString());
    connection.open();
    db::Statement mode(connection.handle(), QStringLiteral("PRAGMA journal_mode"), QStringLiteral("test"));
    ASSERT_TRUE(mode.step());
    EXPECT_EQ(mode.textAt(0), QStringLiteral("delete"));
}

#ifdef Q_OS_UNIX
// File modes do not bind the superuser: run as root, a case hands its folder
// and file to "nobody" and takes that user's rights for the open.
class AsOrdinaryUser {
public:
    AsOrdinaryUser(const QString& folder, const QString& file)
    {
        if (!AsNobody::possible())
            return;
        EXPECT_EQ(::chown(QFile::encodeName(folder).constData(), AsNobody::uid, AsNobody::uid), 0);
        EXPECT_EQ(::chown(QFile::encodeName(file).constData(), AsNobody::uid, AsNobody::uid), 0);
        m_nobody.emplace();
    }

private:
    std::optional<AsNobody> m_nobody;
};

struct ReadOnlyCase {
    const char* name;
    const char* extra; // appended to the connection string
    mode_t fileMode;
    mode_t folderMode;
    bool readOnly;
};

class ConnectionReadOnlyTest : public testing::TestWithParam<ReadOnlyCase> {};

// Whatever keeps a write from getting through is known right after the open,
// before any row is typed.
TEST_P(ConnectionReadOnlyTest, IsKnownOnceOpen)
{
    const ReadOnlyCase& c = GetParam();
    TestDatabase file;
    ASSERT_EQ(::chmod(QFile::encodeName(file.path()).constData(), c.fileMode), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(file.folder()).constData(), c.folderMode), 0);
    bool readOnly = !c.readOnly;
    {
        const AsOrdinaryUser user(file.folder(), file.path());
        db::Connection connection;
        connection.setConnectionString(file.connectionString() + QString::fromLatin1(c.extra));
        if (openError(connection).isEmpty())
            readOnly = connection.isReadOnly();
        else
            ADD_FAILURE() << "the file did not open";
    }
    ::chmod(QFile::encodeName(file.folder()).constData(), 0700); // so the folder can go
    EXPECT_EQ(readOnly, c.readOnly);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionReadOnlyTest,
    testing::Values(ReadOnlyCase{"Writable", "", 0644, 0755, false},
                    ReadOnlyCase{"ReadMode", ";Mode=Read", 0644, 0755, true},
                    ReadOnlyCase{"ReadOnlyFile", "", 0444, 0755, true},
                    ReadOnlyCase{"FolderThatTakesNoJournal", "", 0666, 0555, true}),
    [](const testing::TestParamInfo<ReadOnlyCase>& info) { return std::string(info.param.name); });
#else
TEST(Connection, ReadModeOpensReadOnly)
{
    TestDatabase file;
    db::Connection connection;
    connection.setConnectionString(file.connectionString() + QStringLiteral(";Mode=Read"));
    connection.open();
    EXPECT_TRUE(connection.isReadOnly());
}
#endif

} // namespace

namespace {

// A failure SQLite reported names its result code, so that a caller can tell
// a file another program holds from one that cannot be read; the layer's own
// failures name none.
TEST(Connection, AFailureSqliteReportedCarriesItsCode)
{
    TestDatabase file;
    db::Connection connection;
    connection.setConnectionString(file.connectionString());
    connection.setBusyTimeout(50);
    connection.open();
    const TestDatabase::WriteLock otherProgram(file.path());
    try {
        db::Transaction transaction(connection);
        ADD_FAILURE() << "began while another program held the write lock";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.sqliteCode() & 0xff, 5) << e.message().toStdString(); // SQLITE_BUSY
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot begin a transaction"))) << e.message().toStdString();
    }

    db::Connection missing;
    missing.setConnectionString(connectionStringFor(file.folder() + QStringLiteral("/none.mdb")));
    try {
        missing.open();
        ADD_FAILURE() << "a missing file opened";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.sqliteCode(), 0);
    }
}

} // namespace
