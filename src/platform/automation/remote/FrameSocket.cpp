#include "platform/automation/remote/FrameSocket.h"

#include "platform/automation/remote/FrameCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace automation::remote {

FrameSocket::FrameSocket(FrameSocket&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_buffer(std::move(other.m_buffer)),
      m_bufferBegin(std::exchange(other.m_bufferBegin, 0)),
      m_bufferEnd(std::exchange(other.m_bufferEnd, 0))
{
}

FrameSocket& FrameSocket::operator=(FrameSocket&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_buffer = std::move(other.m_buffer);
        m_bufferBegin = std::exchange(other.m_bufferBegin, 0);
        m_bufferEnd = std::exchange(other.m_bufferEnd, 0);
    }
    return *this;
}

FrameSocket::~FrameSocket() { close(); }

void FrameSocket::close()
{
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

FrameSocket::Status FrameSocket::send(std::span<const uint8_t> frame)
{
    if (m_fd < 0)
        return Status::Closed;
    size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = ::send(m_fd, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Status::Closed;
        }
        done += static_cast<size_t>(n);
    }
    return Status::Ok;
}

FrameSocket::Status FrameSocket::recvSome(uint8_t* data, size_t size, size_t& got)
{
    while (true) {
        const ssize_t n = ::recv(m_fd, data, size, 0);
        if (n > 0) {
            got = static_cast<size_t>(n);
            return Status::Ok;
        }
        if (n == 0)
            return Status::Closed;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return Status::TimedOut;
        return Status::Closed;
    }
}

FrameSocket::Status FrameSocket::readExactly(uint8_t* data, size_t size)
{
    // Whatever an earlier read brought in first: one recv usually holds a
    // whole answer, header and payload, and the releases sent before it.
    const size_t buffered = std::min(size, m_bufferEnd - m_bufferBegin);
    if (buffered > 0) {
        std::memcpy(data, m_buffer.data() + m_bufferBegin, buffered);
        m_bufferBegin += buffered;
    }
    size_t done = buffered;
    while (done < size) {
        const size_t missing = size - done;
        size_t got = 0;
        if (missing >= readAhead) {
            if (const Status s = recvSome(data + done, missing, got); s != Status::Ok)
                return s;
            done += got;
            continue;
        }
        m_buffer.resize(readAhead);
        if (const Status s = recvSome(m_buffer.data(), readAhead, got); s != Status::Ok)
            return s;
        const size_t used = std::min(missing, got);
        std::memcpy(data + done, m_buffer.data(), used); // got > 0, so both are real
        done += used;
        m_bufferBegin = used;
        m_bufferEnd = got;
    }
    return Status::Ok;
}

FrameSocket::Status FrameSocket::receive(std::vector<uint8_t>& payload)
{
    if (m_fd < 0)
        return Status::Closed;
    uint8_t header[frameHeaderSize];
    if (const Status s = readExactly(header, sizeof header); s != Status::Ok)
        return s;
    const uint32_t length = payloadLength(std::span<const uint8_t, frameHeaderSize>(header));
    if (length > maxFrameSize)
        throw FrameError("the peer announced a message larger than the limit");
    payload.resize(length);
    return readExactly(payload.data(), length);
}

void FrameSocket::setBlocking()
{
    if (m_fd < 0)
        return;
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK))
        ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK);
}

void FrameSocket::setReceiveTimeout(std::chrono::milliseconds timeout)
{
    if (m_fd < 0)
        return;
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

} // namespace automation::remote
