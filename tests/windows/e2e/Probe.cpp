// What the end-to-end test asks inside the Wine prefix, as any other
// Windows program would see it:
//
//   vedoris_wine_probe.exe selection FILE [PROGID]
//                                           the running CAD's pickfirst
//                                           selection: handle and ObjectID of
//                                           each entity, one a line; the CAD
//                                           found by PROGID, AutoCAD's by default
//   vedoris_wine_probe.exe documents FILE [PROGID]
//                                           the running CAD's open documents:
//                                           the active one's path on the first
//                                           line, then every one's, one a line
//   vedoris_wine_probe.exe clipboard FILE   the clipboard's text
//   vedoris_wine_probe.exe modules FILE EXE  the modules each running process of
//                                           that name has loaded: its process id
//                                           and the module's path, one a line
//   vedoris_wine_probe.exe limited PROGRAM [ARGS...]
//                                           runs PROGRAM as an ordinary, not
//                                           elevated program of the user (Wine
//                                           runs every program elevated
//                                           otherwise) and ends with its exit code
//
// Answers are written to FILE in UTF-8. Exit codes: 0 answered; 1 nothing to
// answer (no CAD running, no text on the clipboard); 2 a usage error.
#include "platform/automation/AutomationError.h"
#include "platform/automation/Utf8.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/ComObjects.h"

#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <fstream>
#include <string>

using namespace automation;

namespace {

int answerSelection(std::string& answer, const std::u16string& progId)
{
    try {
        const Variant application = Variant::dispatch(com::activeObject(progId));
        const Variant selection = get(get(application, u"ActiveDocument"), u"PickfirstSelectionSet");
        const int32_t count = get(selection, u"Count").toI4();
        for (int32_t i = 0; i < count; ++i) {
            const Variant entity = call(selection, u"Item", Variant::i4(i));
            answer += toUtf8(get(entity, u"Handle").toBStr()) + "\t"
                      + std::to_string(get(entity, u"ObjectID").toI8()) + "\n";
        }
        return 0;
    } catch (const CallFailure& e) {
        std::fprintf(stderr, "probe: %s\n", e.what());
        return 1;
    }
}

int answerDocuments(std::string& answer, const std::u16string& progId)
{
    try {
        const Variant application = Variant::dispatch(com::activeObject(progId));
        answer += toUtf8(get(get(application, u"ActiveDocument"), u"FullName").toBStr()) + "\n";
        const Variant documents = get(application, u"Documents");
        const int32_t count = get(documents, u"Count").toI4();
        for (int32_t i = 0; i < count; ++i)
            answer += toUtf8(get(call(documents, u"Item", Variant::i4(i)), u"FullName").toBStr()) + "\n";
        return 0;
    } catch (const CallFailure& e) {
        std::fprintf(stderr, "probe: %s\n", e.what());
        return 1;
    }
}

int answerClipboard(std::string& answer)
{
    if (!::OpenClipboard(nullptr))
        return 1;
    int status = 1;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const char16_t*>(::GlobalLock(data))) {
            answer = toUtf8(text);
            status = 0;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return status;
}

int answerModules(std::string& answer, const std::wstring& exe)
{
    HANDLE processes = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (processes == INVALID_HANDLE_VALUE)
        return 1;
    PROCESSENTRY32W process{};
    process.dwSize = sizeof process;
    int found = 0;
    for (BOOL more = ::Process32FirstW(processes, &process); more; more = ::Process32NextW(processes, &process)) {
        if (::lstrcmpiW(process.szExeFile, exe.c_str()) != 0)
            continue;
        ++found;
        HANDLE modules = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.th32ProcessID);
        if (modules == INVALID_HANDLE_VALUE)
            continue;
        MODULEENTRY32W module{};
        module.dwSize = sizeof module;
        for (BOOL next = ::Module32FirstW(modules, &module); next; next = ::Module32NextW(modules, &module))
            answer += std::to_string(process.th32ProcessID) + "\t"
                      + toUtf8(reinterpret_cast<const char16_t*>(module.szExePath)) + "\n";
        ::CloseHandle(modules);
    }
    ::CloseHandle(processes);
    return found > 0 ? 0 : 1;
}

// One argument as CommandLineToArgvW reads it back.
std::wstring quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

// The user's limited token, as an unelevated program of his has it: the
// token linked to this elevated one.
int runLimited(LPWSTR* args, int count)
{
    HANDLE own = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own))
        return 2;
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    const BOOL found = ::GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size);
    ::CloseHandle(own);
    if (!found) {
        std::fprintf(stderr, "probe: no limited token (%lu)\n", ::GetLastError());
        return 2;
    }
    HANDLE primary = nullptr;
    const BOOL duplicated = ::DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                                               TokenPrimary, &primary);
    ::CloseHandle(linked.LinkedToken);
    if (!duplicated)
        return 2;
    std::wstring command;
    for (int i = 2; i < count; ++i)
        command += (i > 2 ? L" " : L"") + quoted(args[i]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessAsUserW(primary, nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                                nullptr, &startup, &process);
    ::CloseHandle(primary);
    if (!started) {
        std::fprintf(stderr, "probe: cannot start %ls (%lu)\n", command.c_str(), ::GetLastError());
        return 2;
    }
    ::CloseHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 2;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

} // namespace

int main()
{
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (count >= 3 && std::wstring(args[1]) == L"limited") {
        const int code = runLimited(args, count);
        ::LocalFree(args);
        return code;
    }
    if (count != 3 && count != 4) {
        ::LocalFree(args);
        std::fputs("usage: vedoris_wine_probe selection|documents|clipboard FILE [PROGID] | modules FILE EXE"
                   " | limited PROGRAM [ARGS...]\n",
                   stderr);
        return 2;
    }
    const std::wstring question = args[1];
    const std::wstring file = args[2];
    const std::wstring progId = count == 4 ? args[3] : L"AutoCAD.Application";
    ::LocalFree(args);

    com::Apartment apartment;
    std::string answer;
    int status = 2;
    if (question == L"selection")
        status = answerSelection(answer, std::u16string(progId.begin(), progId.end()));
    else if (question == L"documents")
        status = answerDocuments(answer, std::u16string(progId.begin(), progId.end()));
    else if (question == L"clipboard")
        status = answerClipboard(answer);
    else if (question == L"modules" && count == 4)
        status = answerModules(answer, progId);
    if (status == 0)
        std::ofstream(file.c_str(), std::ios::binary) << answer;
    return status;
}
