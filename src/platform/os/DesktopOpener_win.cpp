#include "platform/os/DesktopOpener.h"

#include <windows.h>

#include <shellapi.h>

namespace os {

OpenVerdict platformOpenWithDesktop(const QString& target, OpenWait /*wait*/)
{
    // The shell itself opens a bare host name as a web page, and a document
    // with the program registered for its type. No verb: the target's default
    // action, whatever its handler calls it. The shell answers at once, above
    // 32 when a handler took the target, so there is nothing to wait for.
    const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteW(
        nullptr, nullptr, reinterpret_cast<const wchar_t*>(target.utf16()), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return {true, {}};
    if (result == SE_ERR_NOASSOC)
        return {false, QStringLiteral("Нет программы, которая открывает файлы этого типа.")};
    return {false, QStringLiteral("Windows could not open the file.")};
}

} // namespace os
