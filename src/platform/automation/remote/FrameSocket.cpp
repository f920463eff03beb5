#include "platform/automation/remote/FrameSocket.h"

#include "platform/automation/remote/FrameCodec.h"
#include "platform/automation/remote/RingChannel.h"
#include "platform/automation/remote/SocketChannel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace automation::remote {

FrameSocket::FrameSocket() = default;

FrameSocket::FrameSocket(int fd) : m_fd(fd)
{
    if (m_fd >= 0) {
        auto channel = std::make_unique<SocketChannel>(m_fd);
        m_socketChannel = channel.get();
        m_channel = std::move(channel);
    }
}

FrameSocket::FrameSocket(FrameSocket&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_channel(std::move(other.m_channel)),
      m_socketChannel(std::exchange(other.m_socketChannel, nullptr)),
      m_receiveTimeout(other.m_receiveTimeout),
      m_frameTimeout(other.m_frameTimeout),
      m_waitHook(std::move(other.m_waitHook)),
      m_waitSlice(other.m_waitSlice)
{
}

FrameSocket& FrameSocket::operator=(FrameSocket&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_channel = std::move(other.m_channel);
        m_socketChannel = std::exchange(other.m_socketChannel, nullptr);
        m_receiveTimeout = other.m_receiveTimeout;
        m_frameTimeout = other.m_frameTimeout;
        m_waitHook = std::move(other.m_waitHook);
        m_waitSlice = other.m_waitSlice;
    }
    return *this;
}

FrameSocket::~FrameSocket() { close(); }

void FrameSocket::close()
{
    // The channel goes first: it only borrows the descriptor.
    m_socketChannel = nullptr;
    m_channel.reset();
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

void FrameSocket::shutdown()
{
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_RDWR);
}

FrameSocket FrameSocket::connectTo(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return {};
    std::memcpy(address.sun_path, path.data(), path.size());

    FrameSocket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.isOpen())
        return {};
    int rc;
    do {
        rc = ::connect(socket.m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc < 0 && errno == EINTR);
    // ENOENT: nobody registered; ECONNREFUSED: a socket file left behind by a
    // server that died without removing it. Both mean "not running".
    if (rc < 0)
        return {};
    return socket;
}

FrameSocket::Clock::time_point FrameSocket::deadlineAfter(std::chrono::milliseconds timeout)
{
    return timeout.count() <= 0 ? ByteChannel::noDeadline : Clock::now() + timeout;
}

FrameSocket::Status FrameSocket::send(std::span<const uint8_t> frame)
{
    if (m_fd < 0)
        return Status::Closed;
    return m_channel->write(frame, deadlineAfter(m_frameTimeout));
}

FrameSocket::Status FrameSocket::sendWithDescriptor(std::span<const uint8_t> frame, int descriptor)
{
    if (m_fd < 0 || !m_socketChannel)
        return Status::Closed;
    return m_socketChannel->writeWithDescriptor(frame, descriptor, deadlineAfter(m_frameTimeout));
}

FrameSocket::Status FrameSocket::receive(std::vector<uint8_t>& payload)
{
    if (m_fd < 0)
        return Status::Closed;
    uint8_t header[frameHeaderSize];
    size_t got = 0;
    if (const Status s = readFrameStart(header, sizeof header, got); s != Status::Ok)
        return s;
    // Once a frame has begun, the rest must follow: a peer that stops half
    // way must not hold this end for ever.
    const Clock::time_point deadline = deadlineAfter(m_frameTimeout);
    if (const Status s = readExactly(header + got, sizeof header - got, deadline); s != Status::Ok)
        return s;
    const uint32_t length = payloadLength(std::span<const uint8_t, frameHeaderSize>(header));
    // Refused before anything is allocated for it.
    if (length > maxFrameSize)
        return Status::Malformed;
    payload.resize(length);
    return readExactly(payload.data(), length, deadline);
}

FrameSocket::Status FrameSocket::readFrameStart(uint8_t* data, size_t size, size_t& got)
{
    const Clock::time_point deadline = deadlineAfter(m_receiveTimeout);
    if (!m_waitHook)
        return m_channel->readSome(data, size, got, deadline);
    const Clock::time_point started = Clock::now();
    for (;;) {
        const Clock::time_point sliceEnd = std::min(deadline, Clock::now() + m_waitSlice);
        const Status s = m_channel->readSome(data, size, got, sliceEnd);
        if (s != Status::TimedOut || sliceEnd >= deadline)
            return s;
        m_waitHook(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started));
    }
}

FrameSocket::Status FrameSocket::readExactly(uint8_t* data, size_t size, Clock::time_point deadline)
{
    size_t done = 0;
    while (done < size) {
        size_t got = 0;
        if (const Status s = m_channel->readSome(data + done, size - done, got, deadline); s != Status::Ok)
            return s;
        done += got;
    }
    return Status::Ok;
}

void FrameSocket::acceptDescriptors(bool accept)
{
    if (m_socketChannel)
        m_socketChannel->acceptDescriptors(accept);
}

int FrameSocket::takeDescriptor() { return m_socketChannel ? m_socketChannel->takeDescriptor() : -1; }

void FrameSocket::useRings(std::unique_ptr<SharedRings> rings)
{
    if (m_fd < 0)
        return;
    // Whatever the socket read ahead beyond the greeting can only be
    // wake-ups: it goes with the socket's channel.
    m_socketChannel = nullptr;
    m_channel = std::make_unique<RingChannel>(m_fd, std::move(rings));
}

void FrameSocket::setBlocking()
{
    if (m_fd < 0)
        return;
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK))
        ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK);
}

} // namespace automation::remote
