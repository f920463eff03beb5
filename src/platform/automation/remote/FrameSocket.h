#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace automation::remote {

// One end of a connected local (AF_UNIX) stream socket, used in blocking mode
// by one thread at a time, that sends and receives whole frames. Plain POSIX
// calls rather than QLocalSocket: the client must work on whatever thread the
// caller is on, without an event loop, and release references from any thread.
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

    // Writes the whole frame. Never raises SIGPIPE.
    Status send(std::span<const uint8_t> frame);
    // Reads one frame and hands back its payload. A length above the protocol's
    // limit is a FrameError, raised before anything is allocated.
    Status receive(std::vector<uint8_t>& payload);

    // Clears O_NONBLOCK: every call of this class waits for its data.
    void setBlocking();
    // Limits how long receive() waits; zero waits for ever.
    void setReceiveTimeout(std::chrono::milliseconds timeout);
    // Ends both directions, so that a receive() blocked in another thread
    // returns Closed at once. The descriptor stays open until destruction.
    void shutdown();
    void close();

private:
    static constexpr size_t readAhead = 64 * 1024;

    Status readExactly(uint8_t* data, size_t size);
    Status recvSome(uint8_t* data, size_t size, size_t& got);

    int m_fd = -1;
    std::vector<uint8_t> m_buffer; // bytes read ahead: [m_bufferBegin, m_bufferEnd)
    size_t m_bufferBegin = 0;
    size_t m_bufferEnd = 0;
};

} // namespace automation::remote
