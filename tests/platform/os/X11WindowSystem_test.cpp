#include "platform/os/WindowSystem.h"
#include "platform/os/X11WindowSystem.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <thread>

namespace {

// Windows made with raw Xlib, so the test knows exactly what the server holds.
class X11WindowSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "no X display (run under xvfb-run)";
        m_display = XOpenDisplay(nullptr);
        if (!m_display)
            GTEST_SKIP() << "X display cannot be opened";
    }
    void TearDown() override
    {
        if (!m_display)
            return;
        for (Window w : m_windows)
            XDestroyWindow(m_display, w);
        XCloseDisplay(m_display);
    }

    Window createWindow(const QByteArray& utf8Title, const char* latin1Title = nullptr)
    {
        const Window w = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 10, 10, 200, 100, 0, 0, 0);
        if (latin1Title)
            XStoreName(m_display, w, latin1Title);
        if (!utf8Title.isEmpty())
            XChangeProperty(m_display, w, XInternAtom(m_display, "_NET_WM_NAME", False),
                            XInternAtom(m_display, "UTF8_STRING", False), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(utf8Title.constData()), utf8Title.size());
        XMapWindow(m_display, w);
        XSync(m_display, False);
        m_windows.push_back(w);
        return w;
    }

    // Mapping is asynchronous for a window manager; wait until the list says so.
    std::vector<os::TopLevelWindow> waitForList(const std::function<bool(const std::vector<os::TopLevelWindow>&)>& ready)
    {
        QElapsedTimer timer;
        timer.start();
        std::vector<os::TopLevelWindow> list;
        do {
            list = m_system.windowsInZOrder();
            if (ready(list))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (timer.elapsed() < 3000);
        return list;
    }

    static qsizetype position(const std::vector<os::TopLevelWindow>& list, const QString& title)
    {
        const auto found = std::find_if(list.begin(), list.end(), [&](const auto& w) { return w.title == title; });
        return found == list.end() ? -1 : found - list.begin();
    }

    Display* m_display = nullptr;
    std::vector<Window> m_windows;
    os::X11WindowSystem m_system;
};

TEST_F(X11WindowSystemTest, ListsTitlesFromBothNameProperties)
{
    const QString cyrillic = QStringLiteral("Ведорис — AutoCAD 2013 - [Drawing1.dwg]");
    createWindow(cyrillic.toUtf8(), "ignored when _NET_WM_NAME exists");
    createWindow({}, "Plain WM_NAME caf\xe9");
    const auto list = waitForList([&](const auto& l) {
        return position(l, cyrillic) >= 0 && position(l, QStringLiteral("Plain WM_NAME café")) >= 0;
    });
    EXPECT_GE(position(list, cyrillic), 0);
    EXPECT_GE(position(list, QStringLiteral("Plain WM_NAME café")), 0);
}

TEST_F(X11WindowSystemTest, TopmostComesFirstAndForegroundRaises)
{
    const Window lower = createWindow("Vedoris test lower");
    createWindow("Vedoris test upper");
    const QString lowerTitle = QStringLiteral("Vedoris test lower");
    const QString upperTitle = QStringLiteral("Vedoris test upper");
    auto list = waitForList([&](const auto& l) {
        return position(l, lowerTitle) >= 0 && position(l, upperTitle) >= 0;
    });
    ASSERT_GE(position(list, lowerTitle), 0);
    EXPECT_LT(position(list, upperTitle), position(list, lowerTitle));
    EXPECT_EQ(list[position(list, lowerTitle)].id, static_cast<quint64>(lower));

    m_system.setForeground(lower);
    list = waitForList([&](const auto& l) { return position(l, lowerTitle) < position(l, upperTitle); });
    EXPECT_LT(position(list, lowerTitle), position(list, upperTitle));
}

TEST_F(X11WindowSystemTest, UnmappedAndVanishedWindowsDoNoHarm)
{
    const Window w = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 10, 10, 0, 0, 0);
    XStoreName(m_display, w, "Vedoris test unmapped");
    XSync(m_display, False);
    m_windows.push_back(w);
    EXPECT_LT(position(m_system.windowsInZOrder(), QStringLiteral("Vedoris test unmapped")), 0);
    // A window id that no longer exists: the X error is swallowed, not fatal.
    m_system.setForeground(0x7ffffff0);
}

TEST(X11WindowSystemNoDisplay, EmptyListAndNoCrash)
{
    const QByteArray saved = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    os::X11WindowSystem system;
    EXPECT_TRUE(system.windowsInZOrder().empty());
    system.setForeground(42);
    if (!saved.isEmpty())
        qputenv("DISPLAY", saved);
}

TEST(WindowSystem, InjectedSystemReplacesThePlatformOne)
{
    struct Fake final : os::WindowSystem {
        std::vector<os::TopLevelWindow> windowsInZOrder() override { return {{7, QStringLiteral("fake")}}; }
        void setForeground(quint64) override {}
    };
    auto previous = os::setWindowSystem(std::make_unique<Fake>());
    EXPECT_EQ(os::windowSystem().windowsInZOrder().front().title, QStringLiteral("fake"));
    os::setWindowSystem(std::move(previous));
}

} // namespace
