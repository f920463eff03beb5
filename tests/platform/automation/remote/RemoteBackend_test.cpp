#include "RemoteTestSupport.h"
#include "TestObject.h"

#include "platform/automation/HResult.h"
#include "platform/automation/ServedCalls.h"
#include "platform/automation/remote/FrameCodec.h"
#include "platform/automation/remote/FrameSocket.h"
#include "platform/automation/remote/RemoteServer.h"
#include "platform/automation/remote/SocketPath.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <thread>

using namespace automation;
using namespace automation::remote;

namespace {

[[maybe_unused]] testing::Environment* const runtimeFolder =
    testing::AddGlobalTestEnvironment(new PrivateRuntimeFolder);

const std::u16string progId = u"Vedoris.RemoteTest";

class RemoteBackend : public testing::Test {
protected:
    void SetUp() override { server.start(); }

    Variant attach() { return Variant::dispatch(activeObject(progId)); }

    std::shared_ptr<TestObject> object = std::make_shared<TestObject>();
    RemoteServer server{progId, object};
};

// A socket bound at `path` that nobody serves: left closed, what a killed
// server leaves behind; left listening, a server that never answers.
int boundSocket(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

TEST(RemoteLookup, NothingRegisteredIsNotRunning)
{
    EXPECT_EQ(failureCode([] { activeObject(u"Vedoris.NobodyHere"); }), hr::Mk_E_Unavailable);
    EXPECT_EQ(ClientBackend().createObject(u"Vedoris.NobodyHere"), nullptr);
}

TEST(RemoteLookup, AStaleSocketIsNotRunningAndIsTakenOverByTheNextServer)
{
    // What a killed server leaves: a socket file that nobody listens on.
    const std::string path = socketPathFor(u"Vedoris.Stale");
    ::close(boundSocket(path));
    ASSERT_EQ(::access(path.c_str(), F_OK), 0);
    EXPECT_EQ(failureCode([] { activeObject(u"Vedoris.Stale"); }), hr::Mk_E_Unavailable);

    RemoteServer server(u"Vedoris.Stale", std::make_shared<TestObject>());
    server.start();
    EXPECT_EQ(get(Variant::dispatch(activeObject(u"vedoris.STALE")), u"Echo", Variant::i4(5)), Variant::i4(5));
}

// Something of ours that listens under the ProgID but never greets (a CAD
// that is stopped or hung) is found, and does not answer: a failed link, not
// "not running". Its caller keeps its windows drawn meanwhile, and its user
// may stop the wait.
TEST(RemoteLookup, AListenerThatNeverGreetsIsFoundButGivesNoAnswer)
{
    const std::string path = socketPathFor(u"Vedoris.Silent");
    const int fd = boundSocket(path);
    ASSERT_EQ(::listen(fd, 4), 0);

    ClientBackend patient(ClientTimeouts{.greeting = std::chrono::milliseconds(400)});
    int asked = 0;
    const BusyWait previous = setBusyWait([&](std::chrono::milliseconds, std::chrono::milliseconds) { ++asked; });
    try {
        patient.activeObject(u"Vedoris.Silent");
        ADD_FAILURE() << "answered";
    } catch (const LinkFailure& e) {
        EXPECT_EQ(e.code(), hr::Rpc_E_Timeout);
    }
    EXPECT_GT(asked, 2);

    struct Stopped {};
    setBusyWait([](std::chrono::milliseconds, std::chrono::milliseconds) { throw Stopped(); });
    EXPECT_THROW(ClientBackend().activeObject(u"Vedoris.Silent"), Stopped);
    setBusyWait(previous);
    ::close(fd);
    ::unlink(path.c_str());
}

TEST(RemoteLookup, ASecondServerForALiveProgIdIsRefusedAndAStoppedOneIsGone)
{
    auto first = std::make_unique<RemoteServer>(u"Vedoris.Twice", std::make_shared<TestObject>());
    first->start();
    RemoteServer second(u"Vedoris.Twice", std::make_shared<TestObject>());
    EXPECT_THROW(second.start(), ServerError);
    first.reset();
    EXPECT_EQ(failureCode([] { activeObject(u"Vedoris.Twice"); }), hr::Mk_E_Unavailable);
    second.start();
    EXPECT_NO_THROW(activeObject(u"Vedoris.Twice"));
}

struct KindCase {
    const char* name;
    Variant value;
};

class RemoteKinds : public RemoteBackend, public testing::WithParamInterface<std::tuple<KindCase, bool>> {};

TEST_P(RemoteKinds, CrossTheSocketBothWays)
{
    const auto& [kind, byRef] = GetParam();
    const Variant app = attach();
    if (!byRef) {
        const Variant back = call(app, u"Echo", kind.value);
        EXPECT_EQ(back, kind.value);
        EXPECT_EQ(back.type(), kind.value.type());
    } else {
        Variant a = kind.value;
        Variant b = Variant::bstr(u"other");
        call(app, u"Swap", Arg::ref(a), Arg::ref(b));
        EXPECT_EQ(a, Variant::bstr(u"other"));
        EXPECT_EQ(b, kind.value);
        EXPECT_EQ(b.type(), kind.value.type());
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, RemoteKinds,
    testing::Combine(testing::Values(KindCase{"Empty", Variant()}, KindCase{"Null", Variant::null()},
                                     KindCase{"I2", Variant::i2(10)}, KindCase{"I4", Variant::i4(10)},
                                     KindCase{"I8", Variant::i8(int64_t{1} << 33)},
                                     KindCase{"R8", Variant::r8(-2.5)}, KindCase{"Bool", Variant::boolean(true)},
                                     KindCase{"BStr", Variant::bstr(u"Трубы_ХВС")},
                                     KindCase{"Array", Variant::array({Variant::i2(1), Variant::array({Variant::r8(2)}, 3)}, 1)},
                                     KindCase{"Error", Variant::omitted()}),
                     testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_ByRef" : "_ByValue");
    });

TEST_F(RemoteBackend, WritesByRefArraysBackAsGetXDataDoes)
{
    Variant codes;
    Variant values;
    const Variant result = call(attach(), u"Fill", Arg::ref(codes), Arg::ref(values));
    EXPECT_TRUE(result.isEmpty());
    ASSERT_TRUE(codes.isArray());
    EXPECT_EQ(codes.at(1), Variant::i2(1070));
    EXPECT_EQ(values.at(1), Variant::i2(10));
    EXPECT_EQ(values.at(2).at(0), Variant::r8(1000));
}

TEST_F(RemoteBackend, EveryCallThatReachesAnObjectIsCountedOnTheServingSide)
{
    const Variant app = attach();
    const ServedCalls before = servedCalls();
    put(app, u"Value", Variant::i4(3));
    get(app, u"Value");
    EXPECT_THROW(call(app, u"NoSuchMember"), AutomationError); // reached the object, which refused it
    const ServedCalls after = servedCalls();
    EXPECT_EQ(after.invocations - before.invocations, 3u);
    EXPECT_EQ(after.nameLookups, before.nameLookups); // the name travels with every call
}

TEST_F(RemoteBackend, ByValueArgumentsAreNotWrittenBack)
{
    Variant kept = Variant::i4(1);
    Arg args[] = {Arg(kept), Arg(Variant::i4(2))};
    attach().toDispatch()->invoke(u"Swap", InvokeKind::Method, args);
    EXPECT_EQ(kept, Variant::i4(1));
}

TEST_F(RemoteBackend, PutsAndGetsAProperty)
{
    const Variant app = attach();
    put(app, u"Value", Variant::bstr(u"C:\\A;C:\\B"));
    EXPECT_EQ(get(app, u"value"), Variant::bstr(u"C:\\A;C:\\B"));
}

TEST_F(RemoteBackend, CarriesTheServersFailureWithCodeSourceDescriptionAndMember)
{
    const Variant app = attach();
    try {
        call(app, u"Fail", Variant::i4(hr::Rpc_E_CallRejected), Variant::bstr(u"Занят"));
        FAIL() << "no failure";
    } catch (const automation::LinkFailure& e) {
        // A code of the call channel stays a failed link across the hop.
        EXPECT_EQ(e.code(), hr::Rpc_E_CallRejected);
        EXPECT_EQ(e.source(), u"TestServer");
        EXPECT_EQ(e.description(), u"Занят");
        EXPECT_EQ(e.member(), u"Fail");
    }
    try {
        get(app, u"NoSuchMember");
        FAIL() << "no failure";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), hr::Disp_E_UnknownName);
        EXPECT_EQ(e.member(), u"NoSuchMember");
    }
    try {
        call(app, u"Throw");
        FAIL() << "no failure";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), hr::Disp_E_Exception);
        EXPECT_EQ(e.description(), u"plain failure");
    }
    // The connection survives its calls' failures.
    EXPECT_EQ(call(app, u"Echo", Variant::i2(3)), Variant::i2(3));
}

TEST_F(RemoteBackend, ReleasesObjectsWhenTheLastProxyGoes)
{
    const Variant app = attach();
    {
        const Variant a = call(app, u"Child", Variant::bstr(u"a"));
        const Variant b = call(app, u"Child", Variant::bstr(u"b"));
        EXPECT_EQ(get(a, u"Name"), Variant::bstr(u"a"));
        EXPECT_EQ(get(b, u"Name"), Variant::bstr(u"b"));
        EXPECT_EQ(get(app, u"LiveChildren"), Variant::i4(3)); // with the shared one
    }
    // Releases need no answer; the next call comes after them on the same stream.
    EXPECT_EQ(get(app, u"LiveChildren"), Variant::i4(1));

    // Many at once, with no call in between, go out on their own as well.
    std::vector<Variant> many;
    for (int i = 0; i < 600; ++i)
        many.push_back(call(app, u"Child", Variant::bstr(u"n")));
    EXPECT_EQ(get(app, u"LiveChildren"), Variant::i4(601));
    many.clear();
    EXPECT_EQ(get(app, u"LiveChildren"), Variant::i4(1));
}

TEST_F(RemoteBackend, KeepsAnObjectsIdentityAndTakesItsProxyBack)
{
    const Variant app = attach();
    const Variant first = get(app, u"Shared");
    const Variant second = get(app, u"Shared");
    EXPECT_EQ(first.toDispatch(), second.toDispatch());
    EXPECT_EQ(call(app, u"IsShared", first), Variant::boolean(true));
    EXPECT_EQ(call(app, u"IsShared", Variant::array({first})), Variant::boolean(false));
    // Objects of this process cannot be handed to the server.
    EXPECT_EQ(failureCode([&] { call(app, u"IsShared", Variant::dispatch(std::make_shared<TestObject>())); }),
              hr::Disp_E_TypeMismatch);
}

TEST_F(RemoteBackend, AnObjectReleasedAndHandedOutAgainStaysUsable)
{
    const Variant app = attach();
    for (int i = 0; i < 3; ++i) {
        Variant shared = get(app, u"Shared");
        EXPECT_EQ(get(shared, u"Name"), Variant::bstr(u"shared"));
    }
}

TEST_F(RemoteBackend, EachLookupHasItsOwnConnection)
{
    const Variant first = attach();
    const Variant second = attach();
    EXPECT_NE(first.toDispatch(), second.toDispatch());
    // Proxies of one connection are foreign to the other.
    const Variant shared = get(first, u"Shared");
    EXPECT_EQ(failureCode([&] { call(second, u"IsShared", shared); }), hr::Disp_E_TypeMismatch);
}

TEST_F(RemoteBackend, ServesTwoClientsAtOnce)
{
    std::atomic<int> wrong{0};
    auto client = [&](int seed) {
        const Variant app = attach();
        for (int i = 0; i < 200; ++i) {
            const Variant v = Variant::array({Variant::i4(seed), Variant::i4(i)});
            if (!(call(app, u"Echo", v) == v))
                ++wrong;
        }
    };
    // One client sits in a slow call the whole time; the other two are served meanwhile.
    std::thread slow([&] { call(attach(), u"Sleep", Variant::i4(300)); });
    std::thread a(client, 1);
    std::thread b(client, 2);
    a.join();
    b.join();
    slow.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(RemoteBackend, AServerThatStopsDuringACallFailsTheCallAtOnce)
{
    const Variant app = attach();
    std::atomic<int32_t> code{0};
    std::thread caller([&] { code = failureCode([&] { call(app, u"Sleep", Variant::i4(1500)); }); });
    while (server.connectionCount() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.stop();
    caller.join();
    EXPECT_EQ(code.load(), hr::Rpc_E_ServerDied);
    EXPECT_EQ(failureCode([&] { get(app, u"Echo", Variant::i2(1)); }), hr::Rpc_E_Disconnected);
    EXPECT_EQ(failureCode([] { activeObject(progId); }), hr::Mk_E_Unavailable);
}

struct BadFrameCase {
    const char* name;
    bool greetFirst;
    std::vector<uint8_t> bytes;
};

class RemoteBadFrames : public RemoteBackend, public testing::WithParamInterface<BadFrameCase> {};

TEST_P(RemoteBadFrames, CloseThatConnectionAndLeaveTheOthersServed)
{
    const Variant app = attach();
    RawPeer peer(server.socketPath());
    if (GetParam().greetFirst) {
        ASSERT_TRUE(peer.hello());
    }
    peer.sendBytes(GetParam().bytes);
    EXPECT_TRUE(peer.closedByServer());
    EXPECT_EQ(call(app, u"Echo", Variant::bstr(u"still here")), Variant::bstr(u"still here"));
    EXPECT_EQ(call(attach(), u"Echo", Variant::i2(7)), Variant::i2(7));
}

std::vector<uint8_t> frameOf(std::vector<uint8_t> payload)
{
    const auto n = static_cast<uint32_t>(payload.size());
    payload.insert(payload.begin(), {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)});
    return payload;
}

// A call of Echo on the root object with one argument more than the limit,
// each an Empty by value: small on the wire, refused before it is decoded.
std::vector<uint8_t> tooManyArguments()
{
    std::vector<uint8_t> payload = {3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 'E', 0, 'c', 0, 'h', 0, 'o', 0};
    const uint32_t n = maxArgumentsPerCall + 1;
    for (int i = 0; i < 4; ++i)
        payload.push_back(static_cast<uint8_t>(n >> (8 * i)));
    payload.resize(payload.size() + 2 * n, 0);
    return frameOf(std::move(payload));
}

INSTANTIATE_TEST_SUITE_P(
    Refused, RemoteBadFrames,
    testing::Values(BadFrameCase{"GarbageInsteadOfHello", false, {'G', 'E', 'T', ' ', '/', '\r', '\n', '\r', '\n'}},
                    BadFrameCase{"WrongMagic", false, frameOf({1, 0, 0, 0, 0, 1, 0})},
                    BadFrameCase{"OversizedBeforeHello", false, {0xff, 0xff, 0xff, 0xff}},
                    BadFrameCase{"OversizedAfterHello", true, {0x01, 0x00, 0x00, 0x04}},
                    BadFrameCase{"UnknownMessage", true, frameOf({77, 1, 2, 3})},
                    BadFrameCase{"TruncatedInvoke", true, frameOf({3, 1, 0, 0})},
                    BadFrameCase{"WelcomeFromAClient", true, frameOf({2, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0})},
                    BadFrameCase{"MoreArgumentsThanACallMayHave", true, tooManyArguments()}),
    [](const auto& info) { return std::string(info.param.name); });

// While a call waits for its answer the caller is asked every slice of the
// wait; a stop it raises ends the call at once, and the connection, whose
// answer would now come out of turn, is given up.
TEST_F(RemoteBackend, AStopDuringTheWaitForAnAnswerEndsTheCallAndTheConnection)
{
    const Variant app = attach();
    struct Stopped {};
    const BusyWait previous = setBusyWait([&](std::chrono::milliseconds waited, std::chrono::milliseconds pause) {
        EXPECT_EQ(pause.count(), 0);
        if (waited >= std::chrono::milliseconds(200))
            throw Stopped();
    });
    EXPECT_THROW(call(app, u"Sleep", Variant::i4(3000)), Stopped);
    setBusyWait(previous);
    try {
        get(app, u"Echo", Variant::i2(1));
        ADD_FAILURE() << "answered";
    } catch (const LinkFailure& e) {
        EXPECT_EQ(e.code(), hr::Rpc_E_Disconnected);
    }
    EXPECT_EQ(get(attach(), u"Echo", Variant::i2(2)), Variant::i2(2));
}

TEST_F(RemoteBackend, ACallOnAnObjectTheClientDoesNotHoldFails)
{
    // Calls go through proxies, so this needs a raw peer: object 99 was never handed out.
    FrameSocket direct = FrameSocket::connectTo(server.socketPath());
    NoObjects none;
    std::vector<uint8_t> payload;
    ASSERT_EQ(direct.send(encodeFrame(Hello{}, none)), FrameSocket::Status::Ok);
    ASSERT_EQ(direct.receive(payload), FrameSocket::Status::Ok);
    ASSERT_EQ(direct.send(encodeFrame(Invoke{99, InvokeKind::Method, u"Echo", {}}, none)), FrameSocket::Status::Ok);
    ASSERT_EQ(direct.receive(payload), FrameSocket::Status::Ok);
    const Message answer = decodePayload(payload, none);
    ASSERT_TRUE(std::holds_alternative<Failure>(answer));
    EXPECT_EQ(std::get<Failure>(answer).code, hr::Rpc_E_Disconnected);
}

} // namespace
