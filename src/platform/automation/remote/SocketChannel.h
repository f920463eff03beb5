#pragma once

#include "platform/automation/remote/ByteChannel.h"

#include <vector>

struct msghdr;

namespace automation::remote {

// Bytes over a connected local stream socket, read ahead in large pieces:
// one recv usually holds a whole answer, header and payload, and the
// releases sent before it. Only this channel carries descriptors. The socket
// stays its owner's (FrameSocket).
class SocketChannel : public ByteChannel {
public:
    explicit SocketChannel(int fd) : m_fd(fd) {}
    ~SocketChannel() override;
    SocketChannel(const SocketChannel&) = delete;
    SocketChannel& operator=(const SocketChannel&) = delete;

    ChannelStatus write(std::span<const uint8_t> bytes, Clock::time_point deadline) override;
    ChannelStatus readSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline) override;

    // Writes the bytes, handing the peer `descriptor` with the first of them.
    ChannelStatus writeWithDescriptor(std::span<const uint8_t> bytes, int descriptor, Clock::time_point deadline);
    // Lets readSome() take one descriptor the peer passes.
    void acceptDescriptors(bool accept) { m_acceptDescriptors = accept; }
    // The descriptor that came with the bytes read so far, or -1; the caller owns it.
    int takeDescriptor();

    // Waits until the socket is ready for `events` (or hung up), up to the deadline.
    ChannelStatus waitReady(Clock::time_point deadline, short events) const;

private:
    static constexpr size_t readAhead = 64 * 1024;

    ChannelStatus recvSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline);
    void keepDescriptors(msghdr& message);

    int m_fd;
    std::vector<uint8_t> m_buffer; // bytes read ahead: [m_bufferBegin, m_bufferEnd)
    size_t m_bufferBegin = 0;
    size_t m_bufferEnd = 0;
    bool m_acceptDescriptors = false;
    int m_receivedDescriptor = -1;
};

} // namespace automation::remote
