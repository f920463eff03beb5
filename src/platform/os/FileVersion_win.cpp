#include "platform/os/FileVersion_win.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace os {

QString fileVersionString(const QString& file, const QString& name)
{
    const auto* path = reinterpret_cast<LPCWSTR>(file.utf16());
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0)
        return {};
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoW(path, 0, size, data.data()))
        return {};
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                          &length)
        || length < sizeof(Translation))
        return {};
    wchar_t block[32] = {};
    std::swprintf(block, 32, L"\\StringFileInfo\\%04x%04x\\", translations->language, translations->codePage);
    const QString query = QString::fromWCharArray(block) + name;
    wchar_t* value = nullptr;
    if (!::VerQueryValueW(data.data(), reinterpret_cast<LPCWSTR>(query.utf16()), reinterpret_cast<void**>(&value),
                          &length)
        || !value)
        return {};
    // The length counts the terminating zero where there is one.
    return QString::fromWCharArray(value, int(length)).section(QChar(u'\0'), 0, 0);
}

} // namespace os
