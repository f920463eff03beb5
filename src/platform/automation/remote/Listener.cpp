#include "platform/automation/remote/Listener.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace automation::remote {

namespace {

// How long to wait before accepting again after the system refused, so that
// a process out of descriptors does not spin on a connection it cannot take.
constexpr auto retryAfterFailure = std::chrono::milliseconds(50);

std::string systemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

} // namespace

Listener::Listener(std::string path, std::function<void(int)> accept)
    : m_path(std::move(path)), m_accept(std::move(accept))
{
}

Listener::~Listener() { stop(); }

std::string Listener::start()
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (m_path.empty() || m_path.size() >= sizeof address.sun_path)
        return "the socket path is too long";
    std::memcpy(address.sun_path, m_path.data(), m_path.size());

    m_socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_socket < 0)
        return systemError("socket");
    struct stat info{};
    if (::bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::chmod(m_path.c_str(), S_IRUSR | S_IWUSR) != 0 || ::stat(m_path.c_str(), &info) != 0
        || ::listen(m_socket, SOMAXCONN) != 0) {
        const std::string error = systemError("cannot listen");
        ::close(m_socket);
        m_socket = -1;
        return error;
    }
    m_inode = info.st_ino;
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0) {
        const std::string error = systemError("eventfd");
        stop();
        return error;
    }
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error& e) {
        stop();
        return e.what();
    }
    return {};
}

void Listener::stop()
{
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
        m_thread.join();
    }
    if (m_wake >= 0) {
        ::close(m_wake);
        m_wake = -1;
    }
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
        // Another server may have taken the name over since; leave its file.
        struct stat info{};
        if (::lstat(m_path.c_str(), &info) == 0 && info.st_ino == m_inode)
            ::unlink(m_path.c_str());
    }
}

void Listener::run()
{
    while (true) {
        pollfd fds[2] = {{m_socket, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            std::this_thread::sleep_for(retryAfterFailure);
            continue;
        }
        if (fds[1].revents != 0)
            return;
        while (true) {
            const int fd = ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                m_accept(fd);
                continue;
            }
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of descriptors or memory: the connection waits in the
                // backlog until some come back.
                std::this_thread::sleep_for(retryAfterFailure);
            }
            break;
        }
    }
}

} // namespace automation::remote
