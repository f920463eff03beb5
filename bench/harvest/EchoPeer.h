#pragma once

#include <sys/types.h>

#include <cstddef>

// The floor a call between two processes stands on: a child process that
// echoes each message over a blocking socket pair. Started before any thread,
// since it is a fork of this process; it ends when its socket closes.
class EchoPeer {
public:
    static constexpr size_t messageSize = 32; // about an empty call's request

    bool start();
    void stop();
    // One blocking round trip; false when the peer is gone.
    bool roundTrip();
    pid_t pid() const { return m_pid; }

private:
    int m_fd = -1;
    pid_t m_pid = -1;
};
