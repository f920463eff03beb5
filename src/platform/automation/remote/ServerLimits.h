#pragma once

#include <chrono>
#include <cstddef>

namespace automation::remote {

// What a server grants its clients, so that no client (a faulty one, or any
// program of the user's that connects) can take it down or away from others.
struct ServerLimits {
    // Connections served at once; one more is refused with a Failure and
    // closed. The program opens one connection per command and frees it when
    // the command ends, the tests and benchmarks a handful: 64 is far above
    // honest use, and it keeps the threads, the descriptors (two per
    // connection against the usual 1,024) and the memory of a server that
    // someone floods with connections small and bounded.
    size_t maxSessions = 64;
    // A client must greet within this time after connecting.
    std::chrono::milliseconds greetingTimeout{10'000};
    // A frame that has begun must arrive whole within this time, and an
    // answer must find room on the client's side within it; otherwise the
    // connection is dropped. Between frames a client may stay idle for ever.
    std::chrono::milliseconds frameTimeout{10'000};
};

} // namespace automation::remote
