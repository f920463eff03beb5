#include "platform/os/FolderSafety.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Owner { Me, Nobody };

struct SafetyCase {
    const char* name;
    mode_t mode;
    Owner owner;
    bool othersMayWrite;
};

class FolderSafetyTest : public testing::TestWithParam<SafetyCase> {};

TEST_P(FolderSafetyTest, OnlyOwnerOrSystemMayWrite)
{
    const SafetyCase& c = GetParam();
    if (c.owner != Owner::Me && ::geteuid() != 0)
        GTEST_SKIP() << "only the superuser can give a folder away";
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString folder = base.filePath(QStringLiteral("support"));
    const QByteArray name = QFile::encodeName(folder);
    ASSERT_EQ(::mkdir(name.constData(), 0700), 0);
    ASSERT_EQ(::chmod(name.constData(), c.mode), 0);
    if (c.owner == Owner::Nobody) {
        ASSERT_EQ(::chown(name.constData(), 65534, 65534), 0);
    }
    EXPECT_EQ(os::othersMayWrite(folder), c.othersMayWrite);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderSafetyTest,
    testing::Values(SafetyCase{"Private", 0700, Owner::Me, false},
                    SafetyCase{"ReadableByAll", 0755, Owner::Me, false},
                    SafetyCase{"GroupWritable", 0775, Owner::Me, true},
                    SafetyCase{"WorldWritable", 0757, Owner::Me, true},
                    SafetyCase{"WorldWritableWithStickyBit", 01777, Owner::Me, false},
                    SafetyCase{"GroupWritableWithStickyBit", 01770, Owner::Me, false},
                    SafetyCase{"OwnedByAnotherUser", 0755, Owner::Nobody, true},
                    SafetyCase{"OwnedByAnotherUserPrivately", 0700, Owner::Nobody, true}),
    [](const testing::TestParamInfo<SafetyCase>& info) { return std::string(info.param.name); });

TEST(FolderSafety, WhatIsNoFolderCannotBeTold)
{
    QTemporaryDir base;
    const QString file = base.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
    EXPECT_TRUE(os::othersMayWrite(file));
    EXPECT_TRUE(os::othersMayWrite(base.filePath(QStringLiteral("missing"))));
    EXPECT_TRUE(os::othersMayWrite(QString()));
}

} // namespace
