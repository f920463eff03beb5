#pragma once

#include "platform/automation/remote/ByteChannel.h"
#include "platform/automation/remote/SharedRings.h"

#include <memory>

namespace automation::remote {

// Bytes through the shared rings, with the connection's socket kept only to
// wake a peer that went to sleep and to learn that the peer is gone. A call
// then costs no system call while both sides are busy: a waiting side first
// spins for a moment, since the answer usually comes within microseconds,
// and only then sleeps on the socket until the peer rings. Waking a sleeping
// process is what a plain socket pays on every message, and it is many times
// the cost of the call itself.
//
// A peer that breaks the rings ends a write as Closed; a read raises
// FrameError.
class RingChannel : public ByteChannel {
public:
    RingChannel(int fd, std::unique_ptr<SharedRings> rings) : m_fd(fd), m_rings(std::move(rings)) {}

    ChannelStatus write(std::span<const uint8_t> bytes, Clock::time_point deadline) override;
    ChannelStatus readSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline) override;

private:
    template <typename Ready>
    ChannelStatus waitFor(Ready ready, Clock::time_point deadline);
    // Rings the peer when it sleeps. Bytes it left on the socket are drained
    // by drainWakeUps(), which is false once the peer is gone.
    void wakePeer();
    bool drainWakeUps();

    int m_fd;
    std::unique_ptr<SharedRings> m_rings;
};

} // namespace automation::remote
