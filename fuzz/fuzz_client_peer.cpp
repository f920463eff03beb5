// Plays a hostile server to the client's end of the remote transport: the
// bytes it sends on the socket, and the shared block it may hand over with
// them, come from the input. The client greets it, adopts the block if it
// will, and makes a few calls on the root object it was named, decoding each
// answer. An AutomationError, or no object at all, is the expected end of
// garbage; a crash, a sanitizer report, a leaked descriptor or a hang is a
// fault.
//
// Input: one byte of flags, a 32-bit little-endian length of the socket
// stream, the stream, then the bytes of the block.
//   flag 1: hand a block over with the first byte of the stream
//   flag 2: make it of the wrong size
//   flag 4: seal it, as the server does
//   flag 8: write the block's magic and ring size over the input's bytes
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/remote/ClientConnection.h"
#include "platform/automation/remote/FrameSocket.h"
#include "platform/automation/remote/SharedRings.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <thread>

using namespace automation;
using namespace automation::remote;

namespace {

// The block as a server lays it out: a page of control words (the magic, the
// ring size, then each counter and flag on a 64-byte line of its own), the
// ring towards the server, the ring towards the client.
constexpr size_t controlBytes = 4096;
constexpr size_t blockBytes = controlBytes + 2 * size_t{SharedRings::ringBytes};
constexpr size_t toClientRing = controlBytes + SharedRings::ringBytes;
constexpr uint32_t blockMagic = 0x52534456;

// What fits in the socket's buffer is written before the client reads; a
// longer stream is written from a thread while the client takes it.
constexpr size_t writtenAtOnce = 32 * 1024;

int forgedBlock(uint8_t flags, std::span<const uint8_t> bytes)
{
    const int fd = ::memfd_create("fuzz-block", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return -1;
    const size_t size = flags & 2 ? controlBytes + SharedRings::ringBytes : blockBytes;
    if (::ftruncate(fd, off_t(size)) != 0) {
        ::close(fd);
        return -1;
    }
    // The control page first, then whatever is left into the client's ring.
    const size_t control = std::min(bytes.size(), controlBytes);
    [[maybe_unused]] ssize_t n = ::pwrite(fd, bytes.data(), control, 0);
    if (bytes.size() > control && size == blockBytes)
        n = ::pwrite(fd, bytes.data() + control, std::min(bytes.size() - control, size_t{SharedRings::ringBytes}),
                     off_t(toClientRing));
    if (flags & 8) {
        const uint32_t header[2] = {blockMagic, SharedRings::ringBytes};
        n = ::pwrite(fd, header, sizeof header, 0);
    }
    if (flags & 4)
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL);
    return fd;
}

// Writes the stream and then ends it, so the client meets the end of the
// stream rather than a silent peer.
void serve(FrameSocket& server, std::span<const uint8_t> stream, int block)
{
    if (!stream.empty()) {
        if (block >= 0)
            server.sendWithDescriptor(stream.first(1), block);
        else
            server.send(stream.first(1));
        server.send(stream.subspan(1));
    }
    ::shutdown(server.fd(), SHUT_WR);
}

void callRoot(const DispatchRef& root)
{
    for (int i = 0; i < 3; ++i) {
        Variant slot = Variant::i4(i);
        Arg args[] = {Arg(Variant::bstr(u"trb")), Arg::ref(slot)};
        try {
            const Variant answer = root->invoke(u"GetXData", InvokeKind::Method, args);
            // Objects that came back are dropped again here: their releases
            // go out with the next call.
            if (answer.type() == VarType::Dispatch)
                get(answer, u"Name");
        } catch (const CallFailure&) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5)
        return 0;
    const uint8_t flags = data[0];
    uint32_t announced = 0;
    std::memcpy(&announced, data + 1, 4);
    const std::span<const uint8_t> rest(data + 5, size - 5);
    const std::span<const uint8_t> stream = rest.first(std::min<size_t>(announced, rest.size()));
    const std::span<const uint8_t> block = rest.subspan(stream.size());

    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return 0;
    FrameSocket server(fds[1]);
    server.setFrameTimeout(std::chrono::seconds(10));
    const int blockFd = flags & 1 ? forgedBlock(flags, block) : -1;

    std::thread writer;
    if (stream.size() <= writtenAtOnce)
        serve(server, stream, blockFd);
    else
        writer = std::thread([&] { serve(server, stream, blockFd); });

    ClientTimeouts timeouts;
    timeouts.greeting = std::chrono::seconds(10);
    timeouts.call = std::chrono::seconds(10);
    try {
        if (const DispatchRef root = ClientConnection::attach(FrameSocket(fds[0]), timeouts))
            callRoot(root);
    } catch (const CallFailure&) {
    }
    if (writer.joinable())
        writer.join();
    if (blockFd >= 0)
        ::close(blockFd);
    return 0;
}
