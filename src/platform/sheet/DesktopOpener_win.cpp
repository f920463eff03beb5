#include "platform/sheet/DesktopOpener.h"

#include <windows.h>

#include <shellapi.h>

#include <stdexcept>

namespace sheet {

// Windows opens a document with the program registered for its type; the
// shell answers a value above 32 when one took it.
void openWithDesktop(const QString& path)
{
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, nullptr, reinterpret_cast<const wchar_t*>(path.utf16()), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        throw std::runtime_error(result == SE_ERR_NOASSOC ? "Нет программы, которая открывает файлы этого типа."
                                                          : "Windows could not open the file.");
    }
}

} // namespace sheet
