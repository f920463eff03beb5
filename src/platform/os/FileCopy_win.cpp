#include "platform/os/FileCopy.h"

#include <windows.h>

#include <string>

namespace os {

namespace {

// The copy's contents on the disk before it takes its name: a crash right
// after the move must not leave an empty or partial file under that name.
bool flush(const std::wstring& file)
{
    // CopyFileW passes the source's attributes on; a read-only source would
    // give a copy that cannot even be opened to be flushed.
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(file.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    const HANDLE handle =
        ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool flushed = ::FlushFileBuffers(handle) != FALSE;
    ::CloseHandle(handle);
    return flushed;
}

} // namespace

bool copyFile(const QString& source, const QString& destination, bool failIfExists)
{
    const std::wstring from = source.toStdWString();
    const std::wstring to = destination.toStdWString();
    if (from.empty() || to.empty())
        return false;
    if (failIfExists && ::GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    // A sibling first, moved over the destination once whole: a failed copy
    // never leaves a truncated file, and copying a file onto itself does not
    // empty it. Without MOVEFILE_REPLACE_EXISTING the move refuses a
    // destination that appeared meanwhile, as the flag asks.
    const std::wstring temporary = to + L".vedoris-" + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    if (!::CopyFileW(from.c_str(), temporary.c_str(), FALSE))
        return false;
    const DWORD moveFlags = MOVEFILE_WRITE_THROUGH | (failIfExists ? 0 : MOVEFILE_REPLACE_EXISTING);
    if (flush(temporary) && ::MoveFileExW(temporary.c_str(), to.c_str(), moveFlags))
        return true;
    ::DeleteFileW(temporary.c_str());
    return false;
}

} // namespace os
