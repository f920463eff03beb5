#include "platform/automation/remote/FrameSocket.h"

#include "platform/automation/remote/FrameCodec.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace automation::remote {

namespace {

// How long a side that waits on the rings keeps looking before it sleeps.
// The CAD's answer to a call and the client's next call within a walk both
// come within a few microseconds; anything slower (a command, the user's
// pause) is worth the sleep, and a connection nobody uses costs no CPU.
constexpr std::chrono::microseconds spinBudget{50};
// While the peer runs on another processor, the first looks are plain busy
// waits, the fastest way to see its answer. A peer on this same processor
// cannot answer while we spin, so there, and after those first looks, the
// waiter gives its processor away at each look: to the peer at once when they
// share one, and to whatever else must run on a loaded machine.
constexpr unsigned busyLooks = 64;

inline void cpuRelax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// A poll() time-out in whole milliseconds, rounded up so that a wait does
// not wake just before its deadline and spin through the rest.
int pollTimeout(std::chrono::steady_clock::time_point deadline)
{
    if (deadline == std::chrono::steady_clock::time_point::max())
        return -1;
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<int64_t>(ms, INT_MAX));
}

} // namespace

FrameSocket::FrameSocket(FrameSocket&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_buffer(std::move(other.m_buffer)),
      m_bufferBegin(std::exchange(other.m_bufferBegin, 0)),
      m_bufferEnd(std::exchange(other.m_bufferEnd, 0)),
      m_rings(std::move(other.m_rings)),
      m_acceptDescriptors(other.m_acceptDescriptors),
      m_receivedDescriptor(std::exchange(other.m_receivedDescriptor, -1)),
      m_receiveTimeout(other.m_receiveTimeout),
      m_frameTimeout(other.m_frameTimeout)
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
        m_rings = std::move(other.m_rings);
        m_acceptDescriptors = other.m_acceptDescriptors;
        m_receivedDescriptor = std::exchange(other.m_receivedDescriptor, -1);
        m_receiveTimeout = other.m_receiveTimeout;
        m_frameTimeout = other.m_frameTimeout;
    }
    return *this;
}

FrameSocket::~FrameSocket() { close(); }

void FrameSocket::close()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (m_receivedDescriptor >= 0)
        ::close(std::exchange(m_receivedDescriptor, -1));
    m_rings.reset();
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
    return timeout.count() <= 0 ? noDeadline : Clock::now() + timeout;
}

// --- sending -----------------------------------------------------------------

FrameSocket::Status FrameSocket::send(std::span<const uint8_t> frame)
{
    if (m_fd < 0)
        return Status::Closed;
    const Clock::time_point deadline = deadlineAfter(m_frameTimeout);
    if (m_rings)
        return sendOverRings(frame, deadline);
    size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = ::send(m_fd, frame.data() + done, frame.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return Status::Closed;
        if (const Status s = waitReadable(deadline, POLLOUT); s != Status::Ok)
            return s;
    }
    return Status::Ok;
}

FrameSocket::Status FrameSocket::sendWithDescriptor(std::span<const uint8_t> frame, int descriptor)
{
    if (m_fd < 0 || m_rings || frame.empty())
        return Status::Closed;
    iovec data{const_cast<uint8_t*>(frame.data()), frame.size()};
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
        return Status::Closed;
    return send(frame.subspan(static_cast<size_t>(n)));
}

FrameSocket::Status FrameSocket::sendOverRings(std::span<const uint8_t> frame, Clock::time_point deadline)
{
    size_t done = 0;
    while (done < frame.size()) {
        const SharedRings::Moved moved = m_rings->write(frame.data() + done, frame.size() - done);
        if (moved.corrupt)
            return Status::Closed;
        if (moved.bytes > 0) {
            done += moved.bytes;
            wakePeer();
            continue;
        }
        if (const Status s = waitForRings([this] { return m_rings->writable(); }, deadline); s != Status::Ok)
            return s;
    }
    return Status::Ok;
}

// --- receiving ---------------------------------------------------------------

FrameSocket::Status FrameSocket::receive(std::vector<uint8_t>& payload)
{
    if (m_fd < 0)
        return Status::Closed;
    uint8_t header[frameHeaderSize];
    size_t got = 0;
    if (const Status s = readSome(header, sizeof header, got, deadlineAfter(m_receiveTimeout)); s != Status::Ok)
        return s;
    // Once a frame has begun, the rest must follow: a peer that stops half
    // way must not hold this end for ever.
    const Clock::time_point deadline = deadlineAfter(m_frameTimeout);
    if (const Status s = readExactly(header + got, sizeof header - got, deadline); s != Status::Ok)
        return s;
    const uint32_t length = payloadLength(std::span<const uint8_t, frameHeaderSize>(header));
    if (length > maxFrameSize)
        throw FrameError("the peer announced a message larger than the limit");
    payload.resize(length);
    return readExactly(payload.data(), length, deadline);
}

FrameSocket::Status FrameSocket::readExactly(uint8_t* data, size_t size, Clock::time_point deadline)
{
    size_t done = 0;
    while (done < size) {
        size_t got = 0;
        if (const Status s = readSome(data + done, size - done, got, deadline); s != Status::Ok)
            return s;
        done += got;
    }
    return Status::Ok;
}

FrameSocket::Status FrameSocket::readSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline)
{
    got = 0;
    if (size == 0)
        return Status::Ok;
    if (m_rings) {
        while (true) {
            const SharedRings::Moved moved = m_rings->read(data, size);
            if (moved.corrupt)
                throw FrameError("the peer broke the shared message rings");
            if (moved.bytes > 0) {
                got = moved.bytes;
                wakePeer(); // it may wait for room
                return Status::Ok;
            }
            if (const Status s = waitForRings([this] { return m_rings->readable(); }, deadline); s != Status::Ok)
                return s;
        }
    }

    // Whatever an earlier read brought in first: one recv usually holds a
    // whole answer, header and payload, and the releases sent before it.
    if (m_bufferBegin < m_bufferEnd) {
        got = std::min(size, m_bufferEnd - m_bufferBegin);
        std::memcpy(data, m_buffer.data() + m_bufferBegin, got);
        m_bufferBegin += got;
        return Status::Ok;
    }
    if (size >= readAhead)
        return recvSome(data, size, got, deadline);
    m_buffer.resize(readAhead);
    size_t received = 0;
    if (const Status s = recvSome(m_buffer.data(), readAhead, received, deadline); s != Status::Ok)
        return s;
    got = std::min(size, received);
    std::memcpy(data, m_buffer.data(), got);
    m_bufferBegin = got;
    m_bufferEnd = received;
    return Status::Ok;
}

FrameSocket::Status FrameSocket::recvSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline)
{
    while (true) {
        if (const Status s = waitReadable(deadline); s != Status::Ok)
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
            return Status::Ok;
        }
        if (n == 0)
            return Status::Closed;
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return Status::Closed;
    }
}

FrameSocket::Status FrameSocket::waitReadable(Clock::time_point deadline, short events)
{
    while (true) {
        pollfd p{m_fd, events, 0};
        const int rc = ::poll(&p, 1, pollTimeout(deadline));
        if (rc > 0)
            return Status::Ok; // readiness, a hang-up or an error: the call that follows tells which
        if (rc == 0)
            return Status::TimedOut;
        if (errno != EINTR)
            return Status::Closed;
    }
}

void FrameSocket::keepDescriptors(msghdr& message)
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

int FrameSocket::takeDescriptor() { return std::exchange(m_receivedDescriptor, -1); }

// --- the rings ---------------------------------------------------------------

void FrameSocket::useRings(std::unique_ptr<SharedRings> rings)
{
    m_rings = std::move(rings);
    // Whatever the socket brought beyond the greeting can only be wake-ups.
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_bufferBegin = m_bufferEnd = 0;
}

template <typename Ready>
FrameSocket::Status FrameSocket::waitForRings(Ready ready, Clock::time_point deadline)
{
    const Clock::time_point spinUntil = std::min(deadline, Clock::now() + spinBudget);
    int cpu = ::sched_getcpu();
    m_rings->noteProcessor(cpu);
    for (unsigned look = 0;; ++look) {
        if (ready())
            return Status::Ok;
        if (Clock::now() >= spinUntil)
            break;
        if (look < busyLooks && m_rings->peerProcessor() != cpu) {
            cpuRelax();
        } else {
            std::this_thread::yield();
            cpu = ::sched_getcpu(); // it may have moved us
            m_rings->noteProcessor(cpu);
        }
    }
    while (true) {
        m_rings->setAsleep(true);
        if (ready()) {
            m_rings->setAsleep(false);
            return Status::Ok;
        }
        pollfd p{m_fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, pollTimeout(deadline));
        m_rings->setAsleep(false);
        if (rc < 0 && errno != EINTR)
            return Status::Closed;
        const bool peerThere = rc <= 0 || drainWakeUps();
        // Bytes the peer wrote before it went still count.
        if (ready())
            return Status::Ok;
        if (!peerThere)
            return Status::Closed;
        if (rc == 0)
            return Status::TimedOut;
    }
}

void FrameSocket::wakePeer()
{
    if (m_rings->takePeerAsleep()) {
        const uint8_t bell = 1;
        // A full socket already holds wake-ups enough; the result is moot.
        [[maybe_unused]] const ssize_t n = ::send(m_fd, &bell, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
    }
}

bool FrameSocket::drainWakeUps()
{
    uint8_t sink[64];
    for (int i = 0; i < 64; ++i) {
        const ssize_t n = ::recv(m_fd, sink, sizeof sink, MSG_DONTWAIT);
        if (n > 0)
            continue;
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    return true;
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
