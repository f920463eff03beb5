#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace automation::remote {

// How a wait on a connection ended.
enum class ChannelStatus {
    Ok,
    Closed,    // the peer is gone: end of stream, reset, broken pipe
    TimedOut,
    Malformed, // the peer broke the protocol (a frame over the limit); only frames say so
};

// The way the bytes of one connection travel: the local socket itself
// (SocketChannel), or the shared rings beside it (RingChannel). A channel
// moves bytes and waits for them up to a deadline; the frames and their
// deadlines are FrameSocket's.
class ByteChannel {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::time_point noDeadline = Clock::time_point::max();

    virtual ~ByteChannel() = default;

    // Writes all the bytes, waiting for room until the deadline.
    virtual ChannelStatus write(std::span<const uint8_t> bytes, Clock::time_point deadline) = 0;
    // Reads at least one byte and at most `size`, waiting until the deadline.
    virtual ChannelStatus readSome(uint8_t* data, size_t size, size_t& got, Clock::time_point deadline) = 0;
};

// A poll() time-out in whole milliseconds, rounded up so that a wait does
// not wake just before its deadline and spin through the rest; -1 for none.
int pollTimeout(ByteChannel::Clock::time_point deadline);

} // namespace automation::remote
