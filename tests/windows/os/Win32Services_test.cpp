// The Windows services of the OS layer, on Wine: the executable's own path,
// the file copy with and without fail-if-exists, and ShellExecuteW.
#include "platform/os/Executable.h"
#include "platform/os/FileCopy.h"
#include "platform/os/DesktopOpener.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::wstring folderOfThisProgram()
{
    const std::wstring path = os::executablePath().toStdWString();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// A scratch folder of its own for each test, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder()
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"vedoris-os-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~ScratchFolder()
    {
        for (const std::wstring& name : m_files)
            ::DeleteFileW(file(name).c_str());
        ::RemoveDirectoryW(m_path.c_str());
    }
    std::wstring file(const std::wstring& name) { return m_path + L"\\" + name; }
    void write(const std::wstring& name, const std::string& content)
    {
        m_files.push_back(name);
        std::ofstream(std::filesystem::path(file(name)), std::ios::binary) << content;
    }
    int fileCount() const
    {
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW((m_path + L"\\*").c_str(), &found);
        int count = 0;
        if (search == INVALID_HANDLE_VALUE)
            return count;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ++count;
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
        return count;
    }
    std::string read(const std::wstring& name)
    {
        m_files.push_back(name);
        std::ifstream in(std::filesystem::path(file(name)), std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return in ? content.str() : "(missing)";
    }

private:
    std::wstring m_path;
    std::vector<std::wstring> m_files;
};

QString q(const std::wstring& text) { return QString::fromStdWString(text); }

TEST(Win32Services, TheExecutablePathIsTheFullPathOfThisProgram)
{
    const std::wstring path = os::executablePath().toStdWString();
    ASSERT_GE(path.size(), 3u);
    EXPECT_EQ(path.substr(1, 2), L":\\") << "a drive-qualified path";
    EXPECT_TRUE(path.ends_with(L"\\vedoris_win_os_tests.exe"));
    EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32Services, CopyFileHonoursFailIfExists)
{
    const struct {
        const char* name;
        bool destinationExists;
        bool failIfExists;
        bool copied;
        const char* destinationAfter;
    } cases[] = {
        {"NewDestination", false, true, true, "source"},
        {"ExistingKeptWhenFailIfExists", true, true, false, "older"},
        {"ExistingReplacedOtherwise", true, false, true, "source"},
        {"NewDestinationWithoutTheFlag", false, false, true, "source"},
    };
    for (const auto& c : cases) {
        ScratchFolder folder;
        folder.write(L"tr.fas", "source");
        if (c.destinationExists)
            folder.write(L"copy.fas", "older");
        EXPECT_EQ(os::copyFile(q(folder.file(L"tr.fas")), q(folder.file(L"copy.fas")), c.failIfExists), c.copied)
            << c.name;
        EXPECT_EQ(folder.read(L"copy.fas"), c.destinationAfter) << c.name;
        EXPECT_EQ(folder.read(L"tr.fas"), "source") << c.name;
        EXPECT_EQ(folder.fileCount(), c.destinationExists || c.copied ? 2 : 1) << c.name; // no sibling left
    }
}

TEST(Win32Services, ACopyOfAReadOnlyFileIsMadeAndCanBeReplaced)
{
    ScratchFolder folder;
    folder.write(L"tr.fas", "source");
    ::SetFileAttributesW(folder.file(L"tr.fas").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(os::copyFile(q(folder.file(L"tr.fas")), q(folder.file(L"copy.fas")), false));
    EXPECT_TRUE(os::copyFile(q(folder.file(L"tr.fas")), q(folder.file(L"copy.fas")), false));
    EXPECT_EQ(folder.read(L"copy.fas"), "source");
    ::SetFileAttributesW(folder.file(L"tr.fas").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32Services, CopyingAMissingFileFails)
{
    ScratchFolder folder;
    EXPECT_FALSE(os::copyFile(q(folder.file(L"missing.fas")), q(folder.file(L"copy.fas")), true));
    EXPECT_EQ(folder.read(L"copy.fas"), "(missing)");
}

TEST(Win32Services, TheShellOpensWhatItIsGiven)
{
    // A program rather than a web address, so that nothing outside Wine is
    // launched: the shell runs it and it leaves its mark.
    const std::wstring mark = folderOfThisProgram() + L"shell-probe.txt";
    ::DeleteFileW(mark.c_str());
    EXPECT_TRUE(os::platformOpenWithDesktop(q(folderOfThisProgram() + L"vedoris_shell_probe.exe"), os::OpenWait::No).shown);
    bool marked = false;
    for (int attempt = 0; attempt < 200 && !marked; ++attempt) {
        marked = ::GetFileAttributesW(mark.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!marked)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(marked);
    ::DeleteFileW(mark.c_str());
}

} // namespace
