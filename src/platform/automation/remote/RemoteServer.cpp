#include "platform/automation/remote/RemoteServer.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Utf8.h"
#include "platform/automation/remote/FrameSocket.h"
#include "platform/automation/remote/Listener.h"
#include "platform/automation/remote/PeerUser.h"
#include "platform/automation/remote/ServerSession.h"
#include "platform/automation/remote/SocketPath.h"

#include <list>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace automation::remote {

struct RemoteServer::Impl {
    struct Running {
        std::unique_ptr<ServerSession> session;
        std::thread thread;
    };

    std::u16string progId;
    DispatchRef root;
    ServerLimits limits;
    std::string path;
    std::unique_ptr<Listener> listener;

    mutable std::mutex mutex;
    bool accepting = false;
    std::list<Running> sessions;

    // Runs on the listener's thread; must not throw.
    void accept(int fd) noexcept
    {
        FrameSocket socket(fd);
        socket.setBlocking();
        if (!isOwnUsersPeer(fd)) {
            refuse(fd, u"The automation server serves only the user who started it");
            return;
        }
        std::list<Running> finished;
        std::unique_lock lock(mutex);
        reapLocked(finished);
        if (!accepting)
            return; // closes the socket
        if (sessions.size() >= limits.maxSessions) {
            lock.unlock();
            refuse(socket.fd(), u"The automation server already serves as many connections as it takes ("
                               + std::u16string(fromUtf8(std::to_string(limits.maxSessions))) + u")");
            return;
        }
        // The list's node first, then the session, then its thread: a
        // failure at any step leaves nothing half made.
        const int descriptor = socket.fd();
        try {
            Running& r = sessions.emplace_back();
            r.session = std::make_unique<ServerSession>(std::move(socket), root, limits);
            r.thread = std::thread([s = r.session.get()] { s->serve(); });
        } catch (...) {
            // No memory or thread for one more: this client is turned away,
            // the others are served on. The descriptor is still open, held
            // by the session or the socket.
            refuse(descriptor, u"The automation server has no room for another connection");
            if (!sessions.empty() && !sessions.back().thread.joinable())
                sessions.pop_back();
        }
        // The sessions that ended are destroyed with `finished`, after the lock.
    }

    // Answers the client's greeting with a Failure, without waiting for the
    // greeting: the client reads it where it expects the Welcome and reports
    // a failed attach. A client that does not read is not waited for.
    static void refuse(int fd, std::u16string reason) noexcept
    {
        try {
            NoObjects noObjects;
            const std::vector<uint8_t> frame = encodeFrame(
                Failure{hr::Rpc_E_ServerCallRetryLater, u"AutomationServer", std::move(reason), {}}, noObjects);
            [[maybe_unused]] const ssize_t n =
                ::send(fd, frame.data(), frame.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        } catch (...) {
            // The reason could not be written: the client sees the socket close, which is refusal enough.
        }
    }

    void reapLocked(std::list<Running>& finished)
    {
        for (auto it = sessions.begin(); it != sessions.end();) {
            if (it->session->finished()) {
                it->thread.join();
                finished.splice(finished.end(), sessions, it++);
            } else {
                ++it;
            }
        }
    }
};

RemoteServer::RemoteServer(std::u16string progId, DispatchRef root, ServerLimits limits)
    : d(std::make_unique<Impl>())
{
    d->progId = std::move(progId);
    d->root = std::move(root);
    d->limits = limits;
}

RemoteServer::~RemoteServer() { stop(); }

void RemoteServer::start()
{
    if (isRunning())
        return;
    d->path = socketPathFor(d->progId);
    if (d->path.empty())
        throw ServerError("no private runtime folder for the automation socket");

    // A socket file nobody answers on is what a crashed server leaves behind;
    // one that answers belongs to a live instance, which keeps the name.
    if (FrameSocket::connectTo(d->path).isOpen())
        throw ServerError("another server is already registered as " + d->path);
    ::unlink(d->path.c_str());

    {
        std::lock_guard lock(d->mutex);
        d->accepting = true;
    }
    d->listener = std::make_unique<Listener>(d->path, [impl = d.get()](int fd) { impl->accept(fd); });
    if (const std::string error = d->listener->start(); !error.empty()) {
        d->listener.reset();
        std::lock_guard lock(d->mutex);
        d->accepting = false;
        throw ServerError("cannot listen on " + d->path + ": " + error);
    }
}

void RemoteServer::stop()
{
    if (!d->listener)
        return;
    d->listener->stop();
    d->listener.reset();

    std::list<Impl::Running> sessions;
    {
        std::lock_guard lock(d->mutex);
        d->accepting = false;
        for (Impl::Running& r : d->sessions)
            r.session->shutdown();
        sessions.swap(d->sessions);
    }
    for (Impl::Running& r : sessions)
        r.thread.join();
}

bool RemoteServer::isRunning() const { return d->listener != nullptr; }

const std::string& RemoteServer::socketPath() const { return d->path; }

size_t RemoteServer::connectionCount() const
{
    std::lock_guard lock(d->mutex);
    size_t n = 0;
    for (const Impl::Running& r : d->sessions)
        n += r.session->finished() ? 0 : 1;
    return n;
}

} // namespace automation::remote
