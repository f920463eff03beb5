#include "cadsim/model/FileLock.h"

#include "platform/automation/Utf8.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace cadsim {

namespace {

[[noreturn]] void fail(int error, const std::string& doing)
{
    FileLock::Reason reason = FileLock::Reason::Other;
    switch (error) {
    case ENOENT:
    case ENOTDIR: reason = FileLock::Reason::NotFound; break;
    case EWOULDBLOCK: reason = FileLock::Reason::InUse; break;
    case EACCES:
    case EPERM: reason = FileLock::Reason::AccessDenied; break;
    default: break;
    }
    throw FileLock::Error(reason, doing + ": " + std::strerror(error));
}

} // namespace

FileLock FileLock::take(const std::u16string& path, Mode mode)
{
    const std::string native = automation::toUtf8(path);
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(errno, "cannot open " + native);
    FileLock lock(fd, path);
    // Never waits: a CAD that finds the file taken says so at once.
    if (::flock(fd, (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
        fail(errno, "cannot lock " + native);
    return lock;
}

void FileLock::makeExclusive()
{
    if (::flock(static_cast<int>(m_handle), LOCK_EX | LOCK_NB) != 0)
        fail(errno, "cannot lock " + automation::toUtf8(m_path));
}

void FileLock::release() noexcept
{
    if (m_handle != none)
        ::close(static_cast<int>(std::exchange(m_handle, none))); // the lock goes with the descriptor
}

} // namespace cadsim
