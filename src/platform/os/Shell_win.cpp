#include "platform/os/Shell.h"

#include <windows.h>
#include <shellapi.h>

namespace os {

void platformShellOpen(const QString& address)
{
    // The shell itself opens a bare host name as a web page; its answer is
    // ignored, as the system does.
    ::ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(address.utf16()), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace os
