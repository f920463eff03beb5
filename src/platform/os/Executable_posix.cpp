#include "platform/os/Executable.h"

#include <QFile>

#include <climits>
#include <unistd.h>

namespace os {

QString executablePath()
{
    // The kernel's link to the running image; it stays right even when the
    // program was started through a symbolic link or a relative path.
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return QString();
    return QFile::decodeName(QByteArray(buffer, static_cast<qsizetype>(length)));
}

} // namespace os
