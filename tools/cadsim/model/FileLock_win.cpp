#include "cadsim/model/FileLock.h"

#include "platform/automation/Utf8.h"

#include <windows.h>

#include <string>
#include <utility>

namespace cadsim {

namespace {

[[noreturn]] void fail(DWORD error, const std::string& doing)
{
    FileLock::Reason reason = FileLock::Reason::Other;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: reason = FileLock::Reason::NotFound; break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: reason = FileLock::Reason::InUse; break;
    case ERROR_ACCESS_DENIED: reason = FileLock::Reason::AccessDenied; break;
    default: break;
    }
    throw FileLock::Error(reason, doing + ": error " + std::to_string(error));
}

HANDLE openHeld(const std::u16string& path, FileLock::Mode mode)
{
    // Read access only: the simulator never writes a drawing. The share mode
    // is the lock: others may read beside a shared hold, nobody may open the
    // file beside an exclusive one.
    return ::CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ,
                         mode == FileLock::Mode::Shared ? FILE_SHARE_READ : 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

FileLock FileLock::take(const std::u16string& path, Mode mode)
{
    const HANDLE handle = openHeld(path, mode);
    if (handle == INVALID_HANDLE_VALUE)
        fail(::GetLastError(), "cannot open " + automation::toUtf8(path));
    return FileLock(reinterpret_cast<intptr_t>(handle), path);
}

void FileLock::makeExclusive()
{
    // A share mode cannot be changed on an open handle, and no second handle
    // without sharing opens beside this one: the file is let go for a moment.
    release();
    *this = take(m_path, Mode::Exclusive);
}

void FileLock::release() noexcept
{
    if (m_handle != none)
        ::CloseHandle(reinterpret_cast<HANDLE>(std::exchange(m_handle, none)));
}

} // namespace cadsim
