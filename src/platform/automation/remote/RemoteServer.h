#pragma once

#include "platform/automation/Variant.h"
#include "platform/automation/remote/ServerLimits.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace automation::remote {

// Registering a running object failed: no runtime folder, another live server
// of the same ProgID, or a socket that cannot be made.
class ServerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Serves one root object as the running instance of a ProgID, through a local
// socket in the user's runtime folder (see SocketPath.h).
//
// The listening socket is served on a thread of its own, so the owner's
// thread (a GUI's, or a test's) needs no event loop. Each client connection
// is then answered on a thread of its own: the root object and everything
// reached from it are called from those threads, at the same time when two
// clients call at once, and must be thread-safe. A thread per connection
// rather than one loop over all of them: a slow call of one client (a CAD
// command that takes its time) must not hold up another, and the connections
// are few and bounded (ServerLimits).
class RemoteServer {
public:
    RemoteServer(std::u16string progId, DispatchRef root, ServerLimits limits = {});
    ~RemoteServer();
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    // Registers the ProgID. A socket file left by a server that died is taken
    // over; one a live server answers on is a ServerError.
    void start();
    // Revokes the registration, ends every connection (a client blocked in a
    // call gets its failure at once) and waits for calls in progress.
    void stop();

    bool isRunning() const;
    const std::string& socketPath() const;
    // Connections being served now.
    size_t connectionCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace automation::remote
