#include "EchoPeer.h"

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Repeats `transfer` (::read or ::write) until `size` bytes have gone;
// false when the other end is gone first.
template <typename Bytes, typename Transfer>
bool transferAll(int fd, Bytes* data, size_t size, Transfer transfer)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = transfer(fd, data + done, size - done);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool readAll(int fd, char* data, size_t size) { return transferAll(fd, data, size, ::read); }

bool writeAll(int fd, const char* data, size_t size) { return transferAll(fd, data, size, ::write); }

} // namespace

bool EchoPeer::start()
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    m_pid = ::fork();
    if (m_pid < 0)
        return false;
    if (m_pid == 0) {
        ::close(pair[0]);
        char message[messageSize];
        while (readAll(pair[1], message, sizeof message) && writeAll(pair[1], message, sizeof message)) {
        }
        ::_exit(0);
    }
    ::close(pair[1]);
    m_fd = pair[0];
    return true;
}

bool EchoPeer::roundTrip()
{
    char message[messageSize] = {};
    return writeAll(m_fd, message, sizeof message) && readAll(m_fd, message, sizeof message);
}

void EchoPeer::stop()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_pid > 0)
        ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}
