#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace automation::remote {

// Two byte rings in one block of shared memory, one for each direction of a
// connection: the client writes requests into one and the server its answers
// into the other. Bytes cross without a system call; the connection's socket
// stays open beside them to wake a peer that went to sleep and to tell when
// the peer is gone (see FrameSocket).
//
// The server makes the block (an anonymous memory file, sealed so that its
// size can never change: a peer that could shrink it would crash us with
// SIGBUS on the next access) and hands its descriptor to the client. Each
// ring is single-producer, single-consumer; its two counters run freely and
// wrap. Everything in the block is also writable by the peer, so every
// counter read from it is checked before it is used, and bytes are copied out
// before anyone looks at them.
class SharedRings {
public:
    enum class Side : uint8_t { Client, Server };

    // Enough for any answer of the CAD contract in one go; longer frames
    // stream through while the reader drains them.
    static constexpr uint32_t ringBytes = 16 * 1024;

    // A new block, for the server's end; nullptr when the system offers none.
    static std::unique_ptr<SharedRings> create();
    // Maps a block a server handed over, for the client's end; nullptr when it
    // is not one (wrong size, not sealed, wrong layout). Takes the descriptor
    // in every case.
    static std::unique_ptr<SharedRings> adopt(int descriptor);

    ~SharedRings();
    SharedRings(const SharedRings&) = delete;
    SharedRings& operator=(const SharedRings&) = delete;

    Side side() const { return m_side; }
    // The block's descriptor, to pass to the client; -1 once closed.
    int descriptor() const { return m_descriptor; }
    // The mapping stays when the descriptor goes.
    void closeDescriptor();

    // Result of a ring operation: how many bytes moved, or that the peer has
    // left its counter in a state no honest peer produces.
    struct Moved {
        size_t bytes = 0;
        bool corrupt = false;
    };

    // Copies as many of the bytes as there is room for into the outgoing ring.
    Moved write(const uint8_t* data, size_t size);
    // Copies as many bytes as are there, up to `size`, out of the incoming ring.
    Moved read(uint8_t* data, size_t size);

    // Whether the next read or write would move anything. A corrupt ring
    // counts as ready, so that the caller goes on to meet the fault.
    bool readable() const;
    bool writable() const;

    // Set before this side sleeps on the socket and cleared after; the flag
    // and the ring counters are ordered so that a peer that moves bytes
    // either sees the flag or is seen by the sleeper's last look.
    void setAsleep(bool asleep);
    // Whether the peer sleeps and must be rung; clears its flag, so that it
    // is rung once for each time it went to sleep.
    bool takePeerAsleep();

    // The processor this side waits on, and the one the peer last waited
    // on: a waiter whose peer shares its processor must give way to it
    // rather than spin. Only a hint (the peer may have moved since, or lie).
    void noteProcessor(int cpu);
    int peerProcessor() const;

private:
    struct Layout;
    struct Ring {
        uint32_t* written;
        uint32_t* read;
        uint8_t* bytes;
    };

    SharedRings(Side side, int descriptor, void* memory);
    Layout& layout() const;

    Side m_side;
    int m_descriptor = -1;
    void* m_memory = nullptr;
    Ring m_out{};
    Ring m_in{};
    uint32_t* m_asleep = nullptr;     // this side's flag
    uint32_t* m_peerAsleep = nullptr; // the peer's flag
    uint32_t* m_processor = nullptr;
    uint32_t* m_peerProcessor = nullptr;
    // This side's own counters, kept here: the copies in the block are only
    // for the peer to read, since the peer could write anything there.
    uint32_t m_written = 0;
    uint32_t m_read = 0;
};

} // namespace automation::remote
