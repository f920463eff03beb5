// A server that local clients cannot take down or away from each other:
// bounded connections, frames refused on their header, stalls dropped.
#include "RemoteTestSupport.h"
#include "TestObject.h"

#include "platform/automation/HResult.h"
#include "platform/automation/remote/ClientConnection.h"
#include "platform/automation/remote/RemoteServer.h"

#include <chrono>
#include <memory>
#include <vector>

using namespace automation;
using namespace automation::remote;
using namespace std::chrono_literals;

namespace {

// The binary's private runtime folder and client backend come from
// RemoteBackend_test.cpp's environment.

const std::u16string progId = u"Vedoris.LimitsTest";

Variant attach() { return Variant::dispatch(activeObject(progId)); }

bool serves() { return get(attach(), u"Echo", Variant::i2(7)) == Variant::i2(7); }

std::vector<uint8_t> header(uint32_t length)
{
    return {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16), uint8_t(length >> 24)};
}

class ServerLimitsTest : public testing::Test {
protected:
    void start(ServerLimits limits = {})
    {
        server = std::make_unique<RemoteServer>(progId, std::make_shared<TestObject>(), limits);
        server->start();
    }

    std::unique_ptr<RemoteServer> server;
};

TEST_F(ServerLimitsTest, TheConnectionOverSixtyFourIsRefusedAsAFailedAttachUntilOneGoes)
{
    start();
    std::vector<Variant> held;
    for (int i = 0; i < 64; ++i)
        held.push_back(attach());
    try {
        attach();
        FAIL() << "the 65th connection was taken";
    } catch (const CallFailure& e) {
        EXPECT_EQ(e.code(), hr::Rpc_E_ServerCallRetryLater);
        EXPECT_FALSE(e.description().empty());
    }
    // Those already served go on being served.
    EXPECT_EQ(get(held.front(), u"Echo", Variant::i4(1)), Variant::i4(1));

    held.pop_back();
    EXPECT_TRUE(eventually([&] { return server->connectionCount() == 63; }));
    EXPECT_TRUE(serves());
}

TEST_F(ServerLimitsTest, AFloodOfConnectionsThatCloseOrBabbleLeavesTheServerServing)
{
    start();
    for (int i = 0; i < 500; ++i) {
        RawPeer peer(server->socketPath());
        ASSERT_TRUE(peer.isOpen()) << "attempt " << i;
        if (i % 3 == 0)
            peer.sendBytes({'x', 'y', 'z', 0, 1, 2, 3, 4});
    }
    // The places of the peers that went are freed as their sessions notice,
    // not at once. The count can touch zero while the listener's backlog
    // still holds peers of the flood, so a normal client may be turned away
    // as "full" for a moment; what must hold is that it is served soon.
    EXPECT_TRUE(eventually(
        [&] {
            try {
                return server->connectionCount() == 0 && serves();
            } catch (const CallFailure& e) {
                if (e.code() != hr::Rpc_E_ServerCallRetryLater)
                    throw;
                return false;
            }
        },
        3000));
}

TEST_F(ServerLimitsTest, ConnectionsThatNeverGreetAreDroppedAndFreeTheirPlaces)
{
    start({.maxSessions = 8, .greetingTimeout = 300ms});
    std::vector<std::unique_ptr<RawPeer>> silent;
    for (int i = 0; i < 8; ++i)
        silent.push_back(std::make_unique<RawPeer>(server->socketPath()));
    EXPECT_TRUE(eventually([&] { return server->connectionCount() == 8; }));
    EXPECT_EQ(failureCode([] { attach(); }), hr::Rpc_E_ServerCallRetryLater);
    EXPECT_TRUE(silent.front()->closedByServer());
    EXPECT_TRUE(eventually([&] { return server->connectionCount() == 0; }));
    EXPECT_TRUE(serves());
}

TEST_F(ServerLimitsTest, AFrameThatStopsHalfWayIsDroppedAfterTheFrameTime)
{
    start({.frameTimeout = 300ms});
    RawPeer peer(server->socketPath());
    ASSERT_TRUE(peer.hello());
    std::vector<uint8_t> half = header(100);
    half.insert(half.end(), {3, 1, 0, 0});
    ASSERT_TRUE(peer.sendBytes(half));
    EXPECT_TRUE(peer.closedByServer());
    EXPECT_TRUE(serves());
}

TEST_F(ServerLimitsTest, AMillionArgumentCallIsRefusedOnItsHeaderWithoutWaitingForTheRest)
{
    // The frame time is far longer than the peer waits: only a refusal made
    // on the length alone closes the connection in time.
    start({.frameTimeout = 60s});
    RawPeer peer(server->socketPath());
    ASSERT_TRUE(peer.hello());
    const uint32_t millionByRefArguments = 22 + 4 + 1'000'000 * 2;
    ASSERT_TRUE(peer.sendBytes(header(millionByRefArguments)));
    EXPECT_TRUE(peer.closedByServer(5s));
    EXPECT_TRUE(serves());
}

TEST_F(ServerLimitsTest, ACallThatGetsNoAnswerFailsAfterTheCallTimeNamingItsMember)
{
    start();
    const DispatchRef app = ClientConnection::attach(server->socketPath(), ClientTimeouts{.call = 300ms});
    ASSERT_NE(app, nullptr);
    const Variant application = Variant::dispatch(app);
    try {
        call(application, u"Sleep", Variant::i4(1500));
        FAIL() << "the call returned";
    } catch (const CallFailure& e) {
        EXPECT_EQ(e.code(), hr::Rpc_E_Timeout);
        EXPECT_EQ(e.member(), u"Sleep");
    }
    // The late answer would come out of turn: the connection is given up,
    // and every later call fails at once instead of waiting again.
    EXPECT_EQ(failureCode([&] { get(application, u"Echo", Variant::i2(1)); }), hr::Rpc_E_Disconnected);
}

} // namespace
