#include "platform/os/FileCopy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FileCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        write(source(), "new contents");
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString source() const { return path(QStringLiteral("tr.fas")); }

    static void write(const QString& file, const QByteArray& contents)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contents);
    }
    static QByteArray read(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList entries() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir m_dir;
};

TEST_F(FileCopy, CopiesToANewFileEitherWay)
{
    for (bool failIfExists : {true, false}) {
        const QString target = path(failIfExists ? QStringLiteral("a.fas") : QStringLiteral("b.fas"));
        EXPECT_TRUE(os::copyFile(source(), target, failIfExists));
        EXPECT_EQ(read(target), "new contents");
    }
}

TEST_F(FileCopy, ExistingDestinationIsReplacedOnlyWhenAllowed)
{
    const QString target = path(QStringLiteral("old.fas"));
    write(target, "old");
    EXPECT_FALSE(os::copyFile(source(), target, true));
    EXPECT_EQ(read(target), "old");

    EXPECT_TRUE(os::copyFile(source(), target, false));
    EXPECT_EQ(read(target), "new contents");
    // No temporary sibling is left behind.
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("old.fas"), QStringLiteral("tr.fas")}));
}

TEST_F(FileCopy, CopyOntoItselfKeepsTheContents)
{
    EXPECT_FALSE(os::copyFile(source(), source(), true));
    EXPECT_TRUE(os::copyFile(source(), source(), false));
    EXPECT_EQ(read(source()), "new contents");
}

TEST_F(FileCopy, FailuresAnswerFalse)
{
    // A "folder" that is a plain file refuses every write, whoever runs the test.
    write(path(QStringLiteral("plainfile")), "x");
    EXPECT_FALSE(os::copyFile(source(), path(QStringLiteral("plainfile/tr.fas")), false));
    EXPECT_FALSE(os::copyFile(source(), path(QStringLiteral("missing/tr.fas")), true));
    EXPECT_FALSE(os::copyFile(path(QStringLiteral("absent.fas")), path(QStringLiteral("c.fas")), false));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("c.fas"))));
    EXPECT_FALSE(os::copyFile(m_dir.path(), path(QStringLiteral("d.fas")), false)); // a folder is no file
    EXPECT_FALSE(os::copyFile(source(), QString(), false));
}

#ifdef Q_OS_UNIX
struct ModeCase {
    const char* name;
    QFile::Permissions source;
    bool failIfExists;
};

class FileCopyModeTest : public FileCopy, public testing::WithParamInterface<ModeCase> {};

// The copy goes where another program loads code from: the source's loose
// bits must not make it writable by others there.
TEST_P(FileCopyModeTest, TheCopyIsWritableByItsOwnerAlone)
{
    ASSERT_TRUE(QFile::setPermissions(source(), GetParam().source));
    const QString target = path(QStringLiteral("copy.fas"));
    if (!GetParam().failIfExists)
        write(target, "old");
    ASSERT_TRUE(os::copyFile(source(), target, GetParam().failIfExists));
    EXPECT_EQ(QFile::permissions(target) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_EQ(read(target), "new contents");
}

constexpr QFile::Permissions everybodyMayWrite = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                 | QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                                 | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

INSTANTIATE_TEST_SUITE_P(
    Cases, FileCopyModeTest,
    testing::Values(ModeCase{"WorldWritableSourceToANewFile", everybodyMayWrite, true},
                    ModeCase{"WorldWritableSourceOverAnOldFile", everybodyMayWrite, false},
                    ModeCase{"OwnerOnlySourceToANewFile", QFile::ReadOwner | QFile::WriteOwner, true},
                    ModeCase{"ReadOnlySourceOverAnOldFile", QFile::ReadOwner, false}),
    [](const testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });
#endif

} // namespace
