#include "platform/automation/remote/RemoteServer.h"

#include "platform/automation/remote/FrameSocket.h"
#include "platform/automation/remote/ServerSession.h"
#include "platform/automation/remote/SocketPath.h"

#include <QLocalServer>
#include <QThread>

#include <future>
#include <list>
#include <mutex>
#include <thread>

namespace automation::remote {

namespace {

// Hands each accepted connection's descriptor over instead of wrapping it in
// a QLocalSocket: the sessions read and write it with blocking calls.
class Listener : public QLocalServer {
public:
    explicit Listener(std::function<void(int)> accept) : m_accept(std::move(accept)) {}

protected:
    void incomingConnection(quintptr socketDescriptor) override
    {
        m_accept(static_cast<int>(socketDescriptor));
    }

private:
    std::function<void(int)> m_accept;
};

class ListenerThread : public QThread {
public:
    ListenerThread(std::string path, std::function<void(int)> accept)
        : m_path(std::move(path)), m_accept(std::move(accept))
    {
    }

    // The listen result, once the thread has tried.
    std::future<QString> started() { return m_started.get_future(); }

protected:
    void run() override
    {
        Listener listener(m_accept);
        listener.setSocketOptions(QLocalServer::UserAccessOption);
        const QString path = QString::fromStdString(m_path);
        if (!listener.listen(path)) {
            m_started.set_value(listener.errorString().isEmpty() ? QStringLiteral("listen failed")
                                                                 : listener.errorString());
            return;
        }
        m_started.set_value(QString());
        exec();
        listener.close(); // removes the socket file
    }

private:
    std::string m_path;
    std::function<void(int)> m_accept;
    std::promise<QString> m_started;
};

} // namespace

struct RemoteServer::Impl {
    struct Running {
        std::unique_ptr<ServerSession> session;
        std::thread thread;
    };

    std::u16string progId;
    DispatchRef root;
    std::string path;
    std::unique_ptr<ListenerThread> listener;

    mutable std::mutex mutex;
    bool accepting = false;
    std::list<Running> sessions;

    void accept(int fd)
    {
        FrameSocket socket(fd);
        // Sessions block on their socket; the listener's own socket is
        // non-blocking, and the accepted one must not take that after it.
        socket.setBlocking();
        std::list<Running> finished;
        std::lock_guard lock(mutex);
        reapLocked(finished);
        if (!accepting)
            return; // closes the socket
        Running& r = sessions.emplace_back();
        r.session = std::make_unique<ServerSession>(std::move(socket), root);
        r.thread = std::thread([s = r.session.get()] { s->serve(); });
        // The sessions that ended are destroyed with `finished`, after the lock.
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

RemoteServer::RemoteServer(std::u16string progId, DispatchRef root) : d(std::make_unique<Impl>())
{
    d->progId = std::move(progId);
    d->root = std::move(root);
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
    QLocalServer::removeServer(QString::fromStdString(d->path));

    {
        std::lock_guard lock(d->mutex);
        d->accepting = true;
    }
    d->listener = std::make_unique<ListenerThread>(d->path, [impl = d.get()](int fd) { impl->accept(fd); });
    auto started = d->listener->started();
    d->listener->start();
    const QString error = started.get();
    if (!error.isEmpty()) {
        d->listener->wait();
        d->listener.reset();
        std::lock_guard lock(d->mutex);
        d->accepting = false;
        throw ServerError("cannot listen on " + d->path + ": " + error.toStdString());
    }
}

void RemoteServer::stop()
{
    if (!d->listener)
        return;
    d->listener->quit();
    d->listener->wait();
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
