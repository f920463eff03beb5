#include "platform/os/Executable.h"

#include <windows.h>

#include <vector>

namespace os {

QString executablePath()
{
    // GetModuleFileNameW truncates silently when the buffer is short; grow it
    // until the whole path fits (long paths can exceed MAX_PATH).
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return QString();
        if (length < buffer.size())
            return QString::fromWCharArray(buffer.data(), static_cast<qsizetype>(length));
        if (buffer.size() >= 32768)
            return QString();
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace os
