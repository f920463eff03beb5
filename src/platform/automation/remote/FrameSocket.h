#pragma once

#include "platform/automation/remote/ByteChannel.h"
#include "platform/automation/remote/SharedRings.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace automation::remote {

class SocketChannel;

// One end of a connected local (AF_UNIX) stream socket, used by one thread at
// a time, that sends and receives whole frames. Plain POSIX calls rather than
// QLocalSocket: the client must work on whatever thread the caller is on,
// without an event loop, and release references from any thread.
//
// The bytes travel through a channel: the socket itself at first
// (SocketChannel) and, once both ends agree (useRings()), the shared rings
// (RingChannel), the socket then only carrying wake-up bytes and the news
// that the peer is gone. This class keeps the frames and their deadlines.
class FrameSocket {
public:
    using Status = ChannelStatus;

    FrameSocket();
    explicit FrameSocket(int fd);
    FrameSocket(FrameSocket&& other) noexcept;
    FrameSocket& operator=(FrameSocket&& other) noexcept;
    FrameSocket(const FrameSocket&) = delete;
    FrameSocket& operator=(const FrameSocket&) = delete;
    ~FrameSocket();

    // Connects to the socket at path; an invalid socket (isOpen() false) when
    // nothing listens there: no file, a stale file, not a socket.
    static FrameSocket connectTo(const std::string& path);

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    // Writes the whole frame. Never raises SIGPIPE. Waits at most the frame
    // time-out for a peer that does not take it.
    Status send(std::span<const uint8_t> frame);
    // The same over the socket, handing the peer a descriptor with the first byte.
    Status sendWithDescriptor(std::span<const uint8_t> frame, int descriptor);
    // Reads one frame and hands back its payload. The first byte may take the
    // receive time-out, the rest of the frame the frame time-out. A length
    // above the protocol's limit is Malformed, answered before anything is
    // allocated; so is a peer that breaks the shared rings. Nothing is thrown:
    // how the connection fares is the answer.
    Status receive(std::vector<uint8_t>& payload);

    // Lets receive() take one descriptor the peer passes (only the client
    // asks: a server would let any client fill its descriptor table).
    void acceptDescriptors(bool accept);
    // The descriptor that came with the bytes read so far, or -1; the caller owns it.
    int takeDescriptor();

    // From now on frames travel through the rings; the socket stays for waking.
    void useRings(std::unique_ptr<SharedRings> rings);
    bool usesRings() const { return isOpen() && !m_socketChannel; }

    // Clears O_NONBLOCK: the socket's own calls then wait for their data.
    void setBlocking();
    // How long receive() waits for a frame to begin; zero waits for ever.
    void setReceiveTimeout(std::chrono::milliseconds timeout) { m_receiveTimeout = timeout; }
    // While receive() waits for a frame to begin, it wakes every `slice` and
    // tells `hook` how long it has waited. The hook may throw (its user
    // stopped the wait); nothing of the frame has been read then.
    using WaitHook = std::function<void(std::chrono::milliseconds waited)>;
    void setWaitHook(WaitHook hook, std::chrono::milliseconds slice = std::chrono::milliseconds(50))
    {
        m_waitHook = std::move(hook);
        m_waitSlice = slice;
    }
    // How long a frame, once begun, may take to arrive whole, and how long
    // send() waits for room; zero waits for ever.
    void setFrameTimeout(std::chrono::milliseconds timeout) { m_frameTimeout = timeout; }

    // Ends both directions, so that a receive() waiting in another thread
    // returns Closed at once. The descriptor stays open until destruction.
    void shutdown();
    void close();

private:
    using Clock = ByteChannel::Clock;

    static Clock::time_point deadlineAfter(std::chrono::milliseconds timeout);

    Status readExactly(uint8_t* data, size_t size, Clock::time_point deadline);
    // The first bytes of a frame, waiting in slices when there is a hook.
    Status readFrameStart(uint8_t* data, size_t size, size_t& got);

    int m_fd = -1;
    std::unique_ptr<ByteChannel> m_channel;
    // The channel while it is the socket's own, for what only the socket
    // carries (descriptors); null once the rings took over.
    SocketChannel* m_socketChannel = nullptr;
    std::chrono::milliseconds m_receiveTimeout{0};
    std::chrono::milliseconds m_frameTimeout{0};
    WaitHook m_waitHook;
    std::chrono::milliseconds m_waitSlice{50};
};

} // namespace automation::remote
