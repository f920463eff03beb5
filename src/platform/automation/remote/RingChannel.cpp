#include "platform/automation/remote/RingChannel.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <thread>

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

} // namespace

ChannelStatus RingChannel::write(std::span<const uint8_t> bytes, Clock::time_point deadline)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const SharedRings::Moved moved = m_rings->write(bytes.data() + done, bytes.size() - done);
        if (moved.corrupt)
            return ChannelStatus::Closed;
        if (moved.bytes > 0) {
            done += moved.bytes;
            wakePeer();
            continue;
        }
        if (const ChannelStatus s = waitFor([this] { return m_rings->writable(); }, deadline); s != ChannelStatus::Ok)
            return s;
    }
    return ChannelStatus::Ok;
}

ChannelStatus RingChannel::readSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline)
{
    got = 0;
    if (size == 0)
        return ChannelStatus::Ok;
    while (true) {
        const SharedRings::Moved moved = m_rings->read(data, size);
        if (moved.corrupt)
            return ChannelStatus::Malformed; // the peer broke the shared message rings
        if (moved.bytes > 0) {
            got = moved.bytes;
            wakePeer(); // it may wait for room
            return ChannelStatus::Ok;
        }
        if (const ChannelStatus s = waitFor([this] { return m_rings->readable(); }, deadline); s != ChannelStatus::Ok)
            return s;
    }
}

template <typename Ready>
ChannelStatus RingChannel::waitFor(Ready ready, Clock::time_point deadline)
{
    const Clock::time_point spinUntil = std::min(deadline, Clock::now() + spinBudget);
    int cpu = ::sched_getcpu();
    m_rings->noteProcessor(cpu);
    for (unsigned look = 0;; ++look) {
        if (ready())
            return ChannelStatus::Ok;
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
            return ChannelStatus::Ok;
        }
        pollfd p{m_fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, pollTimeout(deadline));
        m_rings->setAsleep(false);
        if (rc < 0 && errno != EINTR)
            return ChannelStatus::Closed;
        const bool peerThere = rc <= 0 || drainWakeUps();
        // Bytes the peer wrote before it went still count.
        if (ready())
            return ChannelStatus::Ok;
        if (!peerThere)
            return ChannelStatus::Closed;
        if (rc == 0)
            return ChannelStatus::TimedOut;
    }
}

void RingChannel::wakePeer()
{
    if (m_rings->takePeerAsleep()) {
        const uint8_t bell = 1;
        // A full socket already holds wake-ups enough; the result is moot.
        [[maybe_unused]] const ssize_t n = ::send(m_fd, &bell, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
    }
}

bool RingChannel::drainWakeUps()
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

} // namespace automation::remote
