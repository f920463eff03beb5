#pragma once

#include "platform/automation/remote/SharedRings.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct msghdr;

namespace automation::remote {

// One end of a connected local (AF_UNIX) stream socket, used by one thread at
// a time, that sends and receives whole frames. Plain POSIX calls rather than
// QLocalSocket: the client must work on whatever thread the caller is on,
// without an event loop, and release references from any thread.
//
// Once both ends agree (useRings()), the frames travel through shared memory
// instead, and the socket only carries wake-up bytes and the news that the
// peer is gone. A call then costs no system call while both sides are busy:
// a waiting side first spins for a moment, since the answer usually comes
// within microseconds, and only then sleeps on the socket until the peer
// rings. Waking a sleeping process is what a plain socket pays on every
// message, and it is many times the cost of the call itself.
class FrameSocket {
public:
    enum class Status {
        Ok,
        Closed,  // the peer is gone: end of stream, reset, broken pipe
        TimedOut,
    };

    FrameSocket() = default;
    explicit FrameSocket(int fd) : m_fd(fd) {}
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
    // above the protocol's limit is a FrameError, raised before anything is
    // allocated; so is a peer that breaks the shared rings.
    Status receive(std::vector<uint8_t>& payload);

    // Lets receive() take one descriptor the peer passes (only the client
    // asks: a server would let any client fill its descriptor table).
    void acceptDescriptors(bool accept) { m_acceptDescriptors = accept; }
    // The descriptor that came with the bytes read so far, or -1; the caller owns it.
    int takeDescriptor();

    // From now on frames travel through the rings; the socket stays for waking.
    void useRings(std::unique_ptr<SharedRings> rings);
    bool usesRings() const { return m_rings != nullptr; }

    // Clears O_NONBLOCK: the socket's own calls then wait for their data.
    void setBlocking();
    // How long receive() waits for a frame to begin; zero waits for ever.
    void setReceiveTimeout(std::chrono::milliseconds timeout) { m_receiveTimeout = timeout; }
    // How long a frame, once begun, may take to arrive whole, and how long
    // send() waits for room; zero waits for ever.
    void setFrameTimeout(std::chrono::milliseconds timeout) { m_frameTimeout = timeout; }

    // Ends both directions, so that a receive() waiting in another thread
    // returns Closed at once. The descriptor stays open until destruction.
    void shutdown();
    void close();

private:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::time_point noDeadline = Clock::time_point::max();
    static constexpr size_t readAhead = 64 * 1024;

    static Clock::time_point deadlineAfter(std::chrono::milliseconds timeout);

    Status readExactly(uint8_t* data, size_t size, Clock::time_point firstByteBy);
    Status readSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline);
    Status recvSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline);
    Status waitReadable(Clock::time_point deadline, short events = 0x001 /* POLLIN */);

    Status sendOverRings(std::span<const uint8_t> frame, Clock::time_point deadline);
    template <typename Ready>
    Status waitForRings(Ready ready, Clock::time_point deadline);
    // Rings the peer when it sleeps. Bytes it left on the socket are drained
    // by drainWakeUps(), which is false once the peer is gone.
    void wakePeer();
    bool drainWakeUps();

    void keepDescriptors(msghdr& message);

    int m_fd = -1;
    std::vector<uint8_t> m_buffer; // bytes read ahead: [m_bufferBegin, m_bufferEnd)
    size_t m_bufferBegin = 0;
    size_t m_bufferEnd = 0;
    std::unique_ptr<SharedRings> m_rings;
    bool m_acceptDescriptors = false;
    int m_receivedDescriptor = -1;
    std::chrono::milliseconds m_receiveTimeout{0};
    std::chrono::milliseconds m_frameTimeout{0};
};

} // namespace automation::remote
