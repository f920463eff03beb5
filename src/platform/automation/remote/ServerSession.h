#pragma once

#include "platform/automation/Dispatch.h"
#include "platform/automation/remote/FrameCodec.h"
#include "platform/automation/remote/FrameSocket.h"
#include "platform/automation/remote/ServerLimits.h"

#include <atomic>
#include <cstdint>
#include <unordered_map>

namespace automation::remote {

// The server's end of one client connection: its own table of the objects it
// handed to that client, and the loop that answers the client's calls. Runs
// on a thread of its own, so a slow call of one client does not hold up
// another; the objects served must therefore be safe to call from several
// threads.
class ServerSession : private ObjectMarshal {
public:
    ServerSession(FrameSocket socket, DispatchRef root, const ServerLimits& limits);
    ~ServerSession() override;

    // Greets the client and answers its calls until it goes, sends something
    // malformed, or shutdown() is called. Then drops every object of the table.
    void serve();
    // Ends the connection from another thread; serve() returns after the call
    // in progress, if any.
    void shutdown() { m_socket.shutdown(); }

    bool finished() const { return m_finished.load(); }

private:
    struct Entry {
        DispatchRef object;
        uint64_t handedOut = 0; // references the client holds
    };

    bool greet();
    bool answer(const Invoke& request);
    void release(const Release& message);

    uint64_t exportObject(const DispatchRef& object) override;
    Variant importObject(uint64_t id) override;

    FrameSocket m_socket;
    DispatchRef m_root;
    ServerLimits m_limits;
    std::unordered_map<uint64_t, Entry> m_objects;
    std::unordered_map<const Dispatch*, uint64_t> m_ids;
    uint64_t m_nextId = 1;
    std::atomic<bool> m_finished{false};
};

} // namespace automation::remote
