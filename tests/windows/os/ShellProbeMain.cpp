// Opened by the shell test: leaves "shell-probe.txt" beside itself, so the
// test sees that ShellExecuteW ran it, and ends.
#include <windows.h>

#include <string>

int main()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring mark(path, length);
    mark = mark.substr(0, mark.find_last_of(L'\\') + 1) + L"shell-probe.txt";
    const HANDLE file = ::CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    ::WriteFile(file, "opened", 6, &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
