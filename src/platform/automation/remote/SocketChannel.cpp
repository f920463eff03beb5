#include "platform/automation/remote/SocketChannel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace automation::remote {

SocketChannel::~SocketChannel()
{
    if (m_receivedDescriptor >= 0)
        ::close(m_receivedDescriptor);
}

// --- writing -----------------------------------------------------------------

ChannelStatus SocketChannel::write(std::span<const uint8_t> bytes, Clock::time_point deadline)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return ChannelStatus::Closed;
        if (const ChannelStatus s = waitReady(deadline, POLLOUT); s != ChannelStatus::Ok)
            return s;
    }
    return ChannelStatus::Ok;
}

ChannelStatus SocketChannel::writeWithDescriptor(std::span<const uint8_t> bytes, int descriptor,
                                                 Clock::time_point deadline)
{
    if (bytes.empty())
        return ChannelStatus::Closed;
    iovec data{const_cast<uint8_t*>(bytes.data()), bytes.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(header), &descriptor, sizeof(int));
    ssize_t n;
    do {
        n = ::sendmsg(m_fd, &message, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return ChannelStatus::Closed;
    return write(bytes.subspan(static_cast<size_t>(n)), deadline);
}

// --- reading -----------------------------------------------------------------

ChannelStatus SocketChannel::readSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline)
{
    got = 0;
    if (size == 0)
        return ChannelStatus::Ok;
    // Whatever an earlier read brought in first.
    if (m_bufferBegin < m_bufferEnd) {
        got = std::min(size, m_bufferEnd - m_bufferBegin);
        std::memcpy(data, m_buffer.data() + m_bufferBegin, got);
        m_bufferBegin += got;
        return ChannelStatus::Ok;
    }
    if (size >= readAhead)
        return recvSome(data, size, got, deadline);
    m_buffer.resize(readAhead);
    size_t received = 0;
    if (const ChannelStatus s = recvSome(m_buffer.data(), readAhead, received, deadline); s != ChannelStatus::Ok)
        return s;
    got = std::min(size, received);
    std::memcpy(data, m_buffer.data(), got);
    m_bufferBegin = got;
    m_bufferEnd = received;
    return ChannelStatus::Ok;
}

ChannelStatus SocketChannel::recvSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline)
{
    while (true) {
        if (const ChannelStatus s = waitReady(deadline, POLLIN); s != ChannelStatus::Ok)
            return s;
        ssize_t n;
        if (m_acceptDescriptors) {
            iovec into{data, size};
            alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
            msghdr message{};
            message.msg_iov = &into;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            n = ::recvmsg(m_fd, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
            if (n >= 0)
                keepDescriptors(message);
        } else {
            n = ::recv(m_fd, data, size, MSG_DONTWAIT);
        }
        if (n > 0) {
            got = static_cast<size_t>(n);
            return ChannelStatus::Ok;
        }
        if (n == 0)
            return ChannelStatus::Closed;
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return ChannelStatus::Closed;
    }
}

ChannelStatus SocketChannel::waitReady(Clock::time_point deadline, short events) const
{
    while (true) {
        pollfd p{m_fd, events, 0};
        const int rc = ::poll(&p, 1, pollTimeout(deadline));
        if (rc > 0)
            return ChannelStatus::Ok; // readiness, a hang-up or an error: the call that follows tells which
        if (rc == 0)
            return ChannelStatus::TimedOut;
        if (errno != EINTR)
            return ChannelStatus::Closed;
    }
}

void SocketChannel::keepDescriptors(msghdr& message)
{
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
            if (m_receivedDescriptor < 0)
                m_receivedDescriptor = fd;
            else
                ::close(fd); // only one is ever expected
        }
    }
}

int SocketChannel::takeDescriptor() { return std::exchange(m_receivedDescriptor, -1); }

} // namespace automation::remote
