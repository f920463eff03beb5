#pragma once

#include "platform/automation/BusyServer.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/remote/FrameCodec.h"
#include "platform/automation/remote/FrameSocket.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace automation::remote {

class RemoteObject;

// How long a client waits for a server.
struct ClientTimeouts {
    // For the answer to a greeting: a live server answers at once; a peer
    // that accepts and then says nothing must not hang the caller's lookup.
    std::chrono::milliseconds greeting{10'000};
    // For the answer to a call. A CAD that is busy still answers (that it is
    // busy); one that gives no answer at all (stopped, hung) must not keep its
    // caller for ever. The connection is given up afterwards, since a late
    // answer would arrive out of turn.
    std::chrono::milliseconds call{30'000};
    // For a busy server to take a call it refuses (see BusyServer.h).
    std::chrono::milliseconds busyRetry{busyRetryLimit};
};

// The client's end of one connection to a running object's server. Every
// proxy handed out through it keeps it alive; it closes when the last one goes.
//
// Calls are synchronous: the calling thread writes the request and waits
// until the answer comes (see FrameSocket for how it waits). One call crosses at a time; the mutex is
// recursive because dropping a proxy while an answer is decoded sends a
// release from inside the call.
class ClientConnection : public std::enable_shared_from_this<ClientConnection>, private ObjectMarshal {
public:
    // Connects to the socket at path and greets the server. nullptr when no
    // server answers there (no socket, a stale one, a peer that does not speak
    // the protocol): the object is not running. A server that turns the
    // client away says why, in an AutomationError.
    static DispatchRef attach(const std::string& path, const ClientTimeouts& timeouts = {});
    // The same over a socket already connected to the server.
    static DispatchRef attach(FrameSocket socket, const ClientTimeouts& timeouts = {});

    ~ClientConnection() override;

    Variant invoke(uint64_t objectId, std::u16string_view member, InvokeKind kind, Args args);
    // Tells the server that a proxy handed out `count` times is gone. The
    // message goes out in front of the next call (or once a few hundred have
    // gathered); the server drops the object when it reads it.
    void release(uint64_t objectId, uint32_t count) noexcept;

private:
    struct Private {};

public:
    ClientConnection(Private, FrameSocket socket, const ClientTimeouts& timeouts);

private:
    uint64_t exportObject(const DispatchRef& object) override;
    Variant importObject(uint64_t id) override;

    [[noreturn]] void fail(int32_t code, std::u16string description, std::u16string_view member);
    Message exchange(const std::vector<uint8_t>& request, std::u16string_view member);

    std::recursive_mutex m_mutex;
    FrameSocket m_socket;
    bool m_broken = false;
    std::unordered_map<uint64_t, std::weak_ptr<RemoteObject>> m_proxies;
    std::vector<uint8_t> m_pendingReleases; // encoded Release frames not sent yet
    std::chrono::milliseconds m_callTimeout{0};
    std::chrono::milliseconds m_busyRetry{0};

    static constexpr size_t maxPendingReleaseBytes = 4096;
};

} // namespace automation::remote
