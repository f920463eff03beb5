// Where the running objects' sockets go: only into a folder nobody but the
// user can reach; any other runtime folder is passed over by both ends.
#include "RemoteTestSupport.h"
#include "TestObject.h"

#include "platform/automation/remote/RemoteServer.h"
#include "platform/automation/remote/SocketPath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

using namespace automation;
using namespace automation::remote;

namespace {

enum class Made { Nothing, Folder, File, LinkToPrivateFolder };

struct FolderCase {
    const char* name;
    Made made;
    mode_t mode;
    bool otherOwner; // asked for another user than the folder's owner
    bool usable;
};

class RuntimeFolderTest : public testing::TestWithParam<FolderCase> {};

TEST_P(RuntimeFolderTest, OnlyAPrivateFolderOfTheUserIsUsed)
{
    const FolderCase& c = GetParam();
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString path = base.filePath(QStringLiteral("runtime"));
    const QByteArray name = QFile::encodeName(path);
    switch (c.made) {
    case Made::Nothing: break;
    case Made::Folder: ASSERT_EQ(::mkdir(name.constData(), 0700), 0); break;
    case Made::File: ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly)); break;
    case Made::LinkToPrivateFolder:
        ASSERT_EQ(::mkdir(QFile::encodeName(base.filePath(QStringLiteral("real"))).constData(), 0700), 0);
        ASSERT_EQ(::symlink("real", name.constData()), 0);
        break;
    }
    if (c.made == Made::Folder || c.made == Made::File) {
        ASSERT_EQ(::chmod(name.constData(), c.mode), 0);
    }
    const uid_t user = c.otherOwner ? ::geteuid() + 1 : ::geteuid();
    EXPECT_EQ(isUsableRuntimeFolder(name.constData(), user), c.usable);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RuntimeFolderTest,
    testing::Values(FolderCase{"Private", Made::Folder, 0700, false, true},
                    FolderCase{"GroupMayEnter", Made::Folder, 0710, false, false},
                    FolderCase{"OthersMayRead", Made::Folder, 0704, false, false},
                    FolderCase{"WorldWritable", Made::Folder, 0777, false, false},
                    FolderCase{"WorldWritableWithStickyBit", Made::Folder, 01777, false, false},
                    FolderCase{"OwnedByAnotherUser", Made::Folder, 0700, true, false},
                    FolderCase{"Missing", Made::Nothing, 0, false, false},
                    FolderCase{"AFile", Made::File, 0600, false, false},
                    FolderCase{"LinkToAPrivateFolder", Made::LinkToPrivateFolder, 0, false, false}),
    [](const testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(RuntimeFolder, UnsetEmptyOrRelativeNamesAreNotUsed)
{
    EXPECT_FALSE(isUsableRuntimeFolder(nullptr, ::geteuid()));
    EXPECT_FALSE(isUsableRuntimeFolder("", ::geteuid()));
    EXPECT_FALSE(isUsableRuntimeFolder(".", ::geteuid()));
}

// XDG_RUNTIME_DIR set for this test alone.
class RuntimeDirSetTo {
public:
    explicit RuntimeDirSetTo(const QString& folder)
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            m_old = old;
        ::setenv("XDG_RUNTIME_DIR", QFile::encodeName(folder).constData(), 1);
    }
    ~RuntimeDirSetTo()
    {
        if (m_old)
            ::setenv("XDG_RUNTIME_DIR", m_old->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }
    RuntimeDirSetTo(const RuntimeDirSetTo&) = delete;
    RuntimeDirSetTo& operator=(const RuntimeDirSetTo&) = delete;

private:
    std::optional<std::string> m_old;
};

// The case that was measured: another user binds the ProgID's socket in a
// folder anybody may write into. Neither the server nor the client goes
// there; they meet in the checked folder instead, and the refusal is said
// once however often the folder is asked for.
TEST(RuntimeFolder, AWorldWritableRuntimeFolderIsUsedByNeitherEnd)
{
    QTemporaryDir open;
    ASSERT_TRUE(open.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(open.path()).constData(), 0777), 0);
    const RuntimeDirSetTo xdg(open.path());

    testing::internal::CaptureStderr();
    RemoteServer server(u"Vedoris.OpenFolder", std::make_shared<TestObject>());
    server.start();
    const Variant client = Variant::dispatch(activeObject(u"Vedoris.OpenFolder"));
    const std::string said = testing::internal::GetCapturedStderr();

    EXPECT_EQ(get(client, u"Echo", Variant::i4(3)), Variant::i4(3));
    EXPECT_EQ(server.socketPath().rfind(QFile::encodeName(open.path()).toStdString(), 0), std::string::npos);
    EXPECT_EQ(server.socketPath().rfind("/tmp/vedoris-runtime-" + std::to_string(::geteuid()) + "/", 0), 0u)
        << server.socketPath();
    EXPECT_TRUE(QDir(open.path()).isEmpty());
    size_t lines = 0;
    for (size_t at = said.find("XDG_RUNTIME_DIR"); at != std::string::npos; at = said.find("XDG_RUNTIME_DIR", at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u) << said;
}

} // namespace
