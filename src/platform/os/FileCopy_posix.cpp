#include "platform/os/FileCopy.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now, answering whether the last buffered write reached the file.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const char* data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool copyContents(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        if (!writeAll(to, buffer, got))
            return false;
    }
}

// The copy is a program that another application will load: whatever the
// source's bits (a loosely unpacked archive gives 0777), nobody but its owner
// may change it.
constexpr mode_t copyMode = 0644;

// The contents on the disk before the name points at them: a crash right
// after the rename must not leave an empty or partial file under that name.
bool finish(FileDescriptor& out)
{
    return ::fchmod(out.get(), copyMode) == 0 && ::fsync(out.get()) == 0 && out.close();
}

} // namespace

bool copyFile(const QString& source, const QString& destination, bool failIfExists)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(destination);
    if (from.isEmpty() || to.isEmpty())
        return false;

    FileDescriptor in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!in.valid() || ::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;

    if (failIfExists) {
        // O_EXCL makes "exists" and "create" one step: no other writer can
        // slip in between a check and the copy.
        FileDescriptor out(::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, copyMode));
        if (!out.valid())
            return false;
        if (copyContents(in.get(), out.get()) && finish(out))
            return true;
        ::unlink(to.constData());
        return false;
    }

    // Replacing: write a sibling file and rename it over the destination, so
    // that a failed copy never leaves a truncated file, and copying a file
    // onto itself does not empty it.
    QByteArray temporary = to + ".XXXXXX";
    FileDescriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.valid())
        return false;
    const bool copied = copyContents(in.get(), out.get()) && finish(out);
    if (copied && ::rename(temporary.constData(), to.constData()) == 0)
        return true;
    ::unlink(temporary.constData());
    return false;
}

} // namespace os
