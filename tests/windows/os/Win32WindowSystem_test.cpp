// The Win32 window list on Wine, over windows this test creates with known
// titles. Wine's own desktop windows may or may not be in the list; the tests
// look only for their own.
#include "platform/os/WindowSystem.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

// A top-level window of this process, destroyed with the object.
class TestWindow {
public:
    explicit TestWindow(const std::wstring& title, bool visible = false)
        : m_window(::CreateWindowW(L"STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 0, 0,
                                   200, 100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~TestWindow()
    {
        if (m_window)
            ::DestroyWindow(m_window);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND handle() const { return m_window; }
    quint64 id() const { return static_cast<quint64>(reinterpret_cast<quintptr>(m_window)); }

private:
    HWND m_window;
};

std::vector<os::TopLevelWindow> windows() { return os::windowSystem().windowsInZOrder(); }

// Position in z-order of the first window whose title contains `part`, as
// the CAD window is looked for; -1 when none does.
int firstContaining(const std::vector<os::TopLevelWindow>& list, const std::wstring& part)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].title.toStdWString().find(part) != std::wstring::npos)
            return static_cast<int>(i);
    return -1;
}

int positionOf(const std::vector<os::TopLevelWindow>& list, quint64 id)
{
    const auto found = std::find_if(list.begin(), list.end(), [id](const auto& w) { return w.id == id; });
    return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

TEST(Win32WindowSystem, FindsAWindowByAPartOfItsTitle)
{
    const TestWindow cad(L"Vedoris probe CAD 2014 - [Drawing1.dwg]");
    ASSERT_TRUE(cad.handle()) << "Wine could not create a window (no graphics driver?)";
    const auto list = windows();
    const int found = firstContaining(list, L"Drawing1.dwg");
    ASSERT_GE(found, 0);
    EXPECT_EQ(list[found].id, cad.id());
    EXPECT_EQ(list[found].title.toStdWString(), L"Vedoris probe CAD 2014 - [Drawing1.dwg]");
}

TEST(Win32WindowSystem, HiddenAndVisibleWindowsAreListedTopmostFirst)
{
    const TestWindow lower(L"Vedoris probe lower", false);
    const TestWindow upper(L"Vedoris probe upper", true);
    ASSERT_TRUE(lower.handle() && upper.handle());
    ::SetWindowPos(upper.handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const auto list = windows();
    const int upperAt = positionOf(list, upper.id());
    const int lowerAt = positionOf(list, lower.id());
    ASSERT_GE(upperAt, 0);
    ASSERT_GE(lowerAt, 0) << "a hidden window takes part too";
    EXPECT_LT(upperAt, lowerAt);
}

TEST(Win32WindowSystem, AtMost254CharactersOfATitleAreRead)
{
    const std::wstring title = L"Vedoris probe long " + std::wstring(300, L'x');
    const TestWindow window(title);
    ASSERT_TRUE(window.handle());
    const auto list = windows();
    const int at = positionOf(list, window.id());
    ASSERT_GE(at, 0);
    EXPECT_EQ(list[at].title.toStdWString(), title.substr(0, 254));
}

TEST(Win32WindowSystem, BringsAWindowToTheForeground)
{
    const TestWindow first(L"Vedoris probe first", true);
    const TestWindow second(L"Vedoris probe second", true);
    ASSERT_TRUE(first.handle() && second.handle());
    os::windowSystem().setForeground(first.id());
    EXPECT_EQ(::GetForegroundWindow(), first.handle());
    os::windowSystem().setForeground(second.id());
    EXPECT_EQ(::GetForegroundWindow(), second.handle());
}

} // namespace
