#include "platform/os/FolderSafety.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace os {

bool othersMayWrite(const QString& folder)
{
    struct stat st {};
    if (folder.isEmpty() || ::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return true;
    // Root may write anywhere anyway: a folder of the system's, such as the
    // one a package installs the program into, is as safe as our own.
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        return true;
    const bool sharedWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return sharedWrite && (st.st_mode & S_ISVTX) == 0;
}

} // namespace os
