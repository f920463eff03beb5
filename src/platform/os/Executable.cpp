#include "platform/os/Executable.h"

#include "platform/os/Paths.h"

namespace os {

QString executableFolder()
{
    return folderOf(executablePath(), separator());
}

} // namespace os
