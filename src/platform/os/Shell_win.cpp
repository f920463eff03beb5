#include "platform/os/Shell.h"

#include <windows.h>
#include <shellapi.h>

namespace os {

void platformShellOpen(const QString& address)
{
    // The shell itself opens a bare host name as a web page. No verb: the
    // address's default action, whatever its handler calls it. The answer is
    // ignored: what the shell does with an address is its own business.
    ::ShellExecuteW(nullptr, nullptr, reinterpret_cast<LPCWSTR>(address.utf16()), L"", L"", SW_SHOWNORMAL);
}

} // namespace os
