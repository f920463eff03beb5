// A server whose thread stops answering (Hang of the test server, in its own
// process): the call waits no longer than the message filter's limit and
// then fails as a failed link; Esc in the progress window, or the program's
// own stop, ends it sooner as its user's stop. Windows cancels the call when
// it is due. Wine does neither (CoCancelCall is a stub there, and it goes on
// waiting after PENDINGMSG_CANCELCALL until the server answers): the outcome
// is the same, only later.
#include "ComFixture.h"

#include "platform/automation/BusyServer.h"
#include "platform/automation/HResult.h"
#include "platform/automation/com/ComObjects.h"
#include "platform/automation/com/MessageFilter.h"

#include <windows.h>

#include <chrono>
#include <thread>

using namespace automation;
using namespace std::chrono_literals;

namespace {

// What the program's progress window throws when its user stops the command.
struct UserStopped {};

class UnansweredCall : public testing::Test {
protected:
    void SetUp() override
    {
        // The test server's own process: every call crosses through COM's proxy.
        server = Variant::dispatch(com::createObject(u"Vedoris.ComTest"));
        ASSERT_NE(get(server, u"ProcessId").toI4(), static_cast<int32_t>(::GetCurrentProcessId()));
    }
    void TearDown() override { setBusyWait(std::move(m_previousWait)); }

    void hookWait(BusyWait wait) { m_previousWait = setBusyWait(std::move(wait)); }

    Variant server;

private:
    BusyWait m_previousWait;
};

TEST_F(UnansweredCall, ACallAnsweredWithinTheLimitIsUntouched)
{
    const com::MessageFilter filter({}, 5s);
    EXPECT_NO_THROW(call(server, u"Hang", Variant::i4(200)));
    EXPECT_EQ(get(server, u"Echo", Variant::i4(7)), Variant::i4(7)) << "the server answers again after";
}

TEST_F(UnansweredCall, ACallLeftUnansweredPastTheLimitFailsAsAFailedLink)
{
    const com::MessageFilter filter({}, 300ms);
    const CaughtFailure e = failureOf([&] { call(server, u"Hang", Variant::i4(1500)); });
    EXPECT_TRUE(e.isLinkFailure());
    EXPECT_EQ(e.code(), hr::Rpc_E_Timeout);
    EXPECT_EQ(e.member(), u"Hang");
}

TEST_F(UnansweredCall, TheProgramsStopWhileTheCallWaitsEndsItAsTheUsersStop)
{
    const com::MessageFilter filter({}, 30s);
    // The program's hook, asked while the call waits, throws its user's stop.
    hookWait([](std::chrono::milliseconds waited, std::chrono::milliseconds) {
        if (waited >= 200ms)
            throw UserStopped{};
    });
    EXPECT_THROW(call(server, u"Hang", Variant::i4(1500)), UserStopped);
}

TEST_F(UnansweredCall, EscInTheProgressWindowStopsTheCallAsItsUser)
{
    // The program's main window and its progress window, owned by it and active.
    const HWND main = ::CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                        nullptr, nullptr, nullptr);
    const HWND progress = ::CreateWindowExW(0, L"STATIC", L"progress", WS_POPUP | WS_VISIBLE, 0, 0, 100, 50, main,
                                            nullptr, nullptr, nullptr);
    ASSERT_TRUE(main && progress);
    ::SetActiveWindow(progress);
    ASSERT_EQ(::GetActiveWindow(), progress);
    const com::MessageFilter filter({}, 30s);
    // The program hears a key only when it pauses with its windows drawn: then
    // its progress window takes the Esc and throws its user's stop.
    hookWait([progress](std::chrono::milliseconds, std::chrono::milliseconds pause) {
        MSG message{};
        if (pause > 0ms && ::PeekMessageW(&message, progress, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)
            && message.wParam == VK_ESCAPE)
            throw UserStopped{};
    });
    std::thread user([progress] {
        std::this_thread::sleep_for(200ms);
        ::PostMessageW(progress, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_THROW(call(server, u"Hang", Variant::i4(1500)), UserStopped);
    user.join();
    ::DestroyWindow(progress);
    ::DestroyWindow(main);
}

} // namespace
