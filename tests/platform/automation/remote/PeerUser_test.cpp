// Neither end talks to a process of another user: the client takes such a
// server for none, and the server turns such a client away.
#include "RemoteTestSupport.h"
#include "TestObject.h"

#include "platform/automation/HResult.h"
#include "platform/automation/remote/PeerUser.h"
#include "platform/automation/remote/RemoteServer.h"
#include "platform/automation/remote/SocketPath.h"
#include "support/AsNobody.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

using namespace automation;
using namespace automation::remote;

namespace {

constexpr uid_t nobody = AsNobody::uid;

// The kernel records a socket's user when it connects or begins to listen:
// a test run by the superuser takes another user's identity for that moment.
// Other runs can only play their own user.
using AsAnotherUser = AsNobody;

struct PeerCase {
    const char* name;
    bool otherUser;
};

class PeerUserTest : public testing::TestWithParam<PeerCase> {
protected:
    void SetUp() override
    {
        if (GetParam().otherUser && !AsAnotherUser::possible())
            GTEST_SKIP() << "only the superuser can make a socket of another user";
    }
};

TEST_P(PeerUserTest, TheKernelNamesThePeersUser)
{
    int fds[2];
    {
        std::optional<AsAnotherUser> other;
        if (GetParam().otherUser)
            other.emplace();
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    }
    EXPECT_EQ(peerUserOf(fds[0]), GetParam().otherUser ? nobody : ::geteuid());
    EXPECT_EQ(isOwnUsersPeer(fds[0]), !GetParam().otherUser);
    ::close(fds[0]);
    ::close(fds[1]);
}

// A listening socket in our runtime folder, as another program would put
// there, that records what a client says to it.
class ListeningPeer {
public:
    ListeningPeer(const std::string& path, bool otherUser)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ::unlink(path.c_str());
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        std::optional<AsAnotherUser> other;
        if (otherUser)
            other.emplace();
        EXPECT_EQ(::listen(m_fd, 4), 0);
    }
    ~ListeningPeer() { ::close(m_fd); }
    ListeningPeer(const ListeningPeer&) = delete;
    ListeningPeer& operator=(const ListeningPeer&) = delete;

    // Takes the next connection and returns how many bytes came before the
    // client went or `wait` passed; the connection is then closed.
    ssize_t bytesFromNextClient(std::chrono::milliseconds wait = std::chrono::seconds(10))
    {
        pollfd listening{m_fd, POLLIN, 0};
        if (::poll(&listening, 1, int(wait.count())) != 1)
            return -1;
        const int client = ::accept(m_fd, nullptr, nullptr);
        pollfd readable{client, POLLIN, 0};
        ssize_t n = -1;
        char buffer[256];
        if (::poll(&readable, 1, int(wait.count())) == 1)
            n = ::recv(client, buffer, sizeof buffer, 0);
        ::close(client);
        return n;
    }

private:
    int m_fd = -1;
};

TEST_P(PeerUserTest, TheClientSaysNothingToAnotherUsersServer)
{
    const std::u16string progId = u"Vedoris.PeerServer";
    ListeningPeer server(socketPathFor(progId), GetParam().otherUser);
    int32_t code = 0;
    std::thread client([&] { code = failureCode([&] { activeObject(progId); }); });
    const ssize_t said = server.bytesFromNextClient();
    client.join();
    // Our own user's peer is greeted (and, closing without an answer, is no
    // server either); another user's hears nothing at all.
    if (GetParam().otherUser)
        EXPECT_EQ(said, 0);
    else
        EXPECT_GT(said, 0);
    EXPECT_EQ(code, hr::Mk_E_Unavailable);
}

TEST_P(PeerUserTest, TheServerServesOnlyItsOwnUser)
{
    RemoteServer server(u"Vedoris.PeerClient", std::make_shared<TestObject>());
    server.start();
    const std::string folder = runtimeFolder();
    FrameSocket socket;
    if (GetParam().otherUser) {
        // Let the other user reach the socket for the moment of its connect;
        // what is checked is who connected, not who could.
        ASSERT_EQ(::chmod(folder.c_str(), 0711), 0);
        ASSERT_EQ(::chmod(server.socketPath().c_str(), 0777), 0);
        {
            const AsAnotherUser other;
            socket = FrameSocket::connectTo(server.socketPath());
        }
        ::chmod(server.socketPath().c_str(), 0700);
        ::chmod(folder.c_str(), 0700);
    } else {
        socket = FrameSocket::connectTo(server.socketPath());
    }
    ASSERT_TRUE(socket.isOpen());

    NoObjects none;
    socket.setReceiveTimeout(std::chrono::seconds(10));
    socket.setFrameTimeout(std::chrono::seconds(10));
    socket.send(encodeFrame(Hello{}, none));
    std::vector<uint8_t> payload;
    ASSERT_EQ(socket.receive(payload), FrameSocket::Status::Ok);
    const Message answer = decodePayload(payload, none);
    if (GetParam().otherUser) {
        const auto* refusal = std::get_if<Failure>(&answer);
        ASSERT_NE(refusal, nullptr);
        EXPECT_NE(refusal->description.find(u"only the user"), std::u16string::npos);
        EXPECT_EQ(socket.receive(payload), FrameSocket::Status::Closed);
        EXPECT_EQ(server.connectionCount(), 0u);
    } else {
        EXPECT_NE(std::get_if<Welcome>(&answer), nullptr);
        EXPECT_TRUE(eventually([&] { return server.connectionCount() == 1; }));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PeerUserTest,
                         testing::Values(PeerCase{"SameUser", false}, PeerCase{"OtherUser", true}),
                         [](const testing::TestParamInfo<PeerCase>& info) { return std::string(info.param.name); });

} // namespace
