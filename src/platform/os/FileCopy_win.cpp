#include "platform/os/FileCopy.h"

#include <windows.h>

namespace os {

bool copyFile(const QString& source, const QString& destination, bool failIfExists)
{
    return ::CopyFileW(reinterpret_cast<LPCWSTR>(source.utf16()), reinterpret_cast<LPCWSTR>(destination.utf16()),
                       failIfExists ? TRUE : FALSE)
        != FALSE;
}

} // namespace os
