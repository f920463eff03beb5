// Frames through shared memory between two FrameSockets of one socket pair,
// as a server and its client hold them after the greeting.
#include "platform/automation/remote/FrameCodec.h"
#include "platform/automation/remote/FrameSocket.h"
#include "platform/automation/remote/SharedRings.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

using namespace automation;
using namespace automation::remote;
using Status = FrameSocket::Status;

namespace {

std::vector<uint8_t> frameOfBytes(size_t payloadSize, uint8_t seed)
{
    std::vector<uint8_t> frame(frameHeaderSize + payloadSize);
    for (size_t i = 0; i < frameHeaderSize; ++i)
        frame[i] = static_cast<uint8_t>(payloadSize >> (8 * i));
    for (size_t i = 0; i < payloadSize; ++i)
        frame[frameHeaderSize + i] = static_cast<uint8_t>(i * 31 + seed);
    return frame;
}

std::vector<uint8_t> payloadOf(const std::vector<uint8_t>& frame)
{
    return {frame.begin() + frameHeaderSize, frame.end()};
}

// A server end and a client end sharing one block, as after the greeting.
struct RingPair {
    FrameSocket server;
    FrameSocket client;
    int blockDescriptor = -1; // a second descriptor of the block, for tampering

    RingPair()
    {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        server = FrameSocket(fds[0]);
        client = FrameSocket(fds[1]);
        std::unique_ptr<SharedRings> rings = SharedRings::create();
        EXPECT_NE(rings, nullptr);
        blockDescriptor = ::dup(rings->descriptor());
        std::unique_ptr<SharedRings> adopted = SharedRings::adopt(::dup(rings->descriptor()));
        EXPECT_NE(adopted, nullptr);
        rings->closeDescriptor();
        server.useRings(std::move(rings));
        client.useRings(std::move(adopted));
    }
    ~RingPair() { ::close(blockDescriptor); }
};

TEST(SharedRings, FramesLargerThanTheRingStreamThroughIntactBothWays)
{
    RingPair pair;
    // Four rings' worth each way, at once: each side writes while the other
    // drains, and neither waits for the other to finish first.
    const std::vector<uint8_t> request = frameOfBytes(4 * SharedRings::ringBytes + 17, 1);
    const std::vector<uint8_t> answer = frameOfBytes(4 * SharedRings::ringBytes + 5, 2);
    std::vector<uint8_t> gotRequest;
    std::thread serverSide([&] {
        EXPECT_EQ(pair.server.receive(gotRequest), Status::Ok);
        EXPECT_EQ(pair.server.send(answer), Status::Ok);
    });
    EXPECT_EQ(pair.client.send(request), Status::Ok);
    std::vector<uint8_t> gotAnswer;
    EXPECT_EQ(pair.client.receive(gotAnswer), Status::Ok);
    serverSide.join();
    EXPECT_EQ(gotRequest, payloadOf(request));
    EXPECT_EQ(gotAnswer, payloadOf(answer));
}

TEST(SharedRings, TheGreetingHandsTheBlockOverTheSocketAndTheFramesThenTakeTheRings)
{
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    FrameSocket server(fds[0]);
    FrameSocket client(fds[1]);
    std::unique_ptr<SharedRings> rings = SharedRings::create();
    ASSERT_NE(rings, nullptr);

    const std::vector<uint8_t> welcome = frameOfBytes(40, 3);
    ASSERT_EQ(server.sendWithDescriptor(welcome, rings->descriptor()), Status::Ok);
    rings->closeDescriptor();
    server.useRings(std::move(rings));
    EXPECT_EQ(server.sendWithDescriptor(welcome, 0), Status::Closed) << "descriptors cross only the socket";

    client.acceptDescriptors(true);
    std::vector<uint8_t> got;
    ASSERT_EQ(client.receive(got), Status::Ok);
    EXPECT_EQ(got, payloadOf(welcome));
    const int descriptor = client.takeDescriptor();
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(client.takeDescriptor(), -1) << "taken once";
    std::unique_ptr<SharedRings> adopted = SharedRings::adopt(descriptor);
    ASSERT_NE(adopted, nullptr);
    client.useRings(std::move(adopted));

    const std::vector<uint8_t> request = frameOfBytes(SharedRings::ringBytes / 2, 4);
    std::thread serverSide([&] {
        std::vector<uint8_t> received;
        EXPECT_EQ(server.receive(received), Status::Ok);
        EXPECT_EQ(received, payloadOf(request));
        EXPECT_EQ(server.send(welcome), Status::Ok);
    });
    EXPECT_EQ(client.send(request), Status::Ok);
    EXPECT_EQ(client.receive(got), Status::Ok);
    serverSide.join();
    EXPECT_EQ(got, payloadOf(welcome));
}

TEST(SharedRings, ManySmallFramesKeepTheirOrderAcrossTheWrap)
{
    RingPair pair;
    std::thread echo([&] {
        std::vector<uint8_t> payload;
        while (pair.server.receive(payload) == Status::Ok) {
            std::vector<uint8_t> frame = frameOfBytes(payload.size(), 0);
            std::copy(payload.begin(), payload.end(), frame.begin() + frameHeaderSize);
            if (pair.server.send(frame) != Status::Ok)
                break;
        }
    });
    bool allSame = true;
    for (int i = 0; i < 3000; ++i) {
        const std::vector<uint8_t> frame = frameOfBytes(1 + i % 97, static_cast<uint8_t>(i));
        std::vector<uint8_t> back;
        ASSERT_EQ(pair.client.send(frame), Status::Ok);
        ASSERT_EQ(pair.client.receive(back), Status::Ok);
        allSame = allSame && back == payloadOf(frame);
    }
    EXPECT_TRUE(allSame);
    pair.client.shutdown();
    echo.join();
}

TEST(SharedRings, APeerThatGoesWhileAFrameIsAwaitedEndsTheWaitAtOnce)
{
    RingPair pair;
    std::thread leaver([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pair.server.close();
    });
    std::vector<uint8_t> payload;
    // Without a time-out: only the peer's going can end this wait.
    EXPECT_EQ(pair.client.receive(payload), Status::Closed);
    leaver.join();
}

TEST(SharedRings, BytesWrittenBeforeThePeerWentAreStillRead)
{
    RingPair pair;
    const std::vector<uint8_t> last = frameOfBytes(100, 9);
    ASSERT_EQ(pair.server.send(last), Status::Ok);
    pair.server.close();
    std::vector<uint8_t> payload;
    EXPECT_EQ(pair.client.receive(payload), Status::Ok);
    EXPECT_EQ(payload, payloadOf(last));
    EXPECT_EQ(pair.client.receive(payload), Status::Closed);
}

TEST(SharedRings, AFrameThatStopsHalfWayTimesOut)
{
    RingPair pair;
    pair.server.setFrameTimeout(std::chrono::milliseconds(200));
    std::vector<uint8_t> frame = frameOfBytes(1000, 3);
    frame.resize(frameHeaderSize + 10);
    ASSERT_EQ(pair.client.send(frame), Status::Ok);
    std::vector<uint8_t> payload;
    EXPECT_EQ(pair.server.receive(payload), Status::TimedOut);
}

TEST(SharedRings, CountersThePeerBrokeAreAMalformedFrameNotAWildRead)
{
    RingPair pair;
    // What a hostile or broken client can do to the block: write anything.
    void* block = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, pair.blockDescriptor, 0);
    ASSERT_NE(block, MAP_FAILED);
    std::memset(block, 0x7f, 4096);
    ::munmap(block, 4096);
    std::vector<uint8_t> payload;
    EXPECT_EQ(pair.server.receive(payload), Status::Malformed);
    EXPECT_EQ(pair.server.send(frameOfBytes(10, 0)), Status::Closed);
}

// The processor word is a hint the peer writes; any value it leaves there
// reads back as some number, with no arithmetic that overflows.
TEST(SharedRings, AnyProcessorWordThePeerWritesIsOnlyAHint)
{
    std::unique_ptr<SharedRings> server = SharedRings::create();
    ASSERT_NE(server, nullptr);
    const int tamper = ::dup(server->descriptor());
    std::unique_ptr<SharedRings> client = SharedRings::adopt(::dup(server->descriptor()));
    ASSERT_NE(client, nullptr);
    auto* words = static_cast<uint32_t*>(::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, tamper, 0));
    ASSERT_NE(static_cast<void*>(words), MAP_FAILED);
    for (size_t i = 2; i < 4096 / sizeof(uint32_t); ++i) // past the magic and the ring size
        words[i] = 0x80000000u;
    EXPECT_EQ(client->peerProcessor(), 0x7fffffff);
    EXPECT_EQ(server->peerProcessor(), 0x7fffffff);
    ::munmap(words, 4096);
    ::close(tamper);
}

struct ForeignBlockCase {
    const char* name;
    bool seal;
    off_t size;
};

class ForeignBlock : public testing::TestWithParam<ForeignBlockCase> {};

TEST_P(ForeignBlock, IsNotAdopted)
{
    const int fd = ::memfd_create("foreign", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, GetParam().size), 0);
    if (GetParam().seal) {
        ASSERT_EQ(::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW), 0);
    }
    EXPECT_EQ(SharedRings::adopt(fd), nullptr);
}

// A block that could shrink under us would fault on the next access.
INSTANTIATE_TEST_SUITE_P(Refused, ForeignBlock,
                         testing::Values(ForeignBlockCase{"Unsealed", false, 4096 + 2 * SharedRings::ringBytes},
                                         ForeignBlockCase{"TooSmall", true, 4096},
                                         ForeignBlockCase{"SealedButBlank", true, 4096 + 2 * SharedRings::ringBytes}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SharedRings, ANonMemoryDescriptorIsNotAdopted)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[1]);
    EXPECT_EQ(SharedRings::adopt(fds[0]), nullptr);
}

} // namespace
