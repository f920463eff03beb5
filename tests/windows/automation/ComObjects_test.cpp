// Finding objects by ProgID through COM: the running object table, creation,
// the registry's backend, and the apartment guard.
#include "ComFixture.h"

#include "ComTestIds.h"

#include "platform/automation/HResult.h"
#include "platform/automation/MemberTable.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/ComObjects.h"

#include <windows.h>

#include <chrono>
#include <thread>

using namespace automation;

namespace {

std::wstring besideThisProgram(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

// The test server started as a program of its own, with its object in the
// running object table. Ended (and waited for) when the test is done.
class RunningServer {
public:
    RunningServer()
    {
        std::wstring command = L"\"" + besideThisProgram(L"vedoris_com_test_server.exe") + L"\" /running";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &m_process))
            m_process = {};
        else
            ::CloseHandle(m_process.hThread);
    }
    ~RunningServer()
    {
        if (!m_process.hProcess)
            return;
        if (::WaitForSingleObject(m_process.hProcess, 0) != WAIT_OBJECT_0)
            ::TerminateProcess(m_process.hProcess, 1);
        ::CloseHandle(m_process.hProcess);
    }
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;

    bool started() const { return m_process.hProcess != nullptr; }
    DWORD id() const { return m_process.dwProcessId; }
    // Whether the program ended by itself within the time given.
    bool endsWithin(DWORD milliseconds) const
    {
        return ::WaitForSingleObject(m_process.hProcess, milliseconds) == WAIT_OBJECT_0;
    }

private:
    PROCESS_INFORMATION m_process{};
};

// The running instance, once the server has registered it (a few seconds at
// most, even under Wine).
DispatchRef waitForRunning(std::u16string_view progId)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        try {
            return activeObject(progId);
        } catch (const CallFailure& e) {
            if (e.code() != hr::Mk_E_Unavailable)
                throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

TEST(ComObjects, AnUnknownProgIdIsAnInvalidClassString)
{
    EXPECT_EQ(failureOf([] { createObject(u"Vedoris.NoSuchClass"); }).code(), hr::Co_E_ClassString);
    EXPECT_EQ(failureOf([] { com::activeObject(u"Vedoris.NoSuchClass"); }).code(), hr::Co_E_ClassString);
    EXPECT_EQ(failureOf([] { com::createObject(u"Vedoris.NoSuchClass"); }).message(), u"Invalid class string");
}

TEST(ComObjects, AClassWithNothingRunningIsUnavailable)
{
    const CaughtFailure e = failureOf([] { activeObject(u"Vedoris.ComTest"); });
    EXPECT_EQ(e.code(), hr::Mk_E_Unavailable);
    EXPECT_EQ(e.message(), u"Operation unavailable");
}

TEST(ComObjects, TheRunningServerIsFoundAndIsGoneOnceItRevokes)
{
    RunningServer program;
    ASSERT_TRUE(program.started());
    {
        const Variant application = Variant::dispatch(waitForRunning(u"Vedoris.ComTest"));
        ASSERT_TRUE(application.isDispatch()) << "the server never registered its object";
        EXPECT_EQ(get(application, u"ProcessId").toI4(), static_cast<int32_t>(program.id()));

        // A failure inside the other program reaches this one with its text.
        const CaughtFailure e = failureOf([&] { call(application, u"Fail", Variant::bstr(u"Нет чертежа")); });
        EXPECT_EQ(e.description(), u"Нет чертежа");
        EXPECT_EQ(e.source(), u"Vedoris.ComTest");

        call(application, u"Revoke");
        EXPECT_EQ(failureOf([] { activeObject(u"Vedoris.ComTest"); }).code(), hr::Mk_E_Unavailable);
        // The object itself stays usable for whoever still holds it.
        EXPECT_EQ(get(application, u"Echo", Variant::i2(1)), Variant::i2(1));
    }
    // With the last reference released the server has nothing left and ends.
    EXPECT_TRUE(program.endsWithin(30000));
}

TEST(ComObjects, AnObjectOfThisProgramCanBeTheRunningInstance)
{
    class Application : public TableObject {
    public:
        Application() : TableObject(members()) {}

    private:
        static const MemberTable& members()
        {
            static const Members<Application> table =
                Members<Application>().property(u"Caption", [](Application&) { return Variant::bstr(u"Drawing1.dwg"); });
            return table;
        }
    };
    const DispatchRef application = std::make_shared<Application>();
    {
        Registration running = com::registerRunningObject(u"Vedoris.ComTest.Own", application);
        // Through COM and back it is the same object, not a proxy of it.
        EXPECT_EQ(com::activeObject(u"Vedoris.ComTest.Own"), application);
        EXPECT_EQ(get(Variant::dispatch(activeObject(u"vedoris.comtest.own")), u"Caption"),
                  Variant::bstr(u"Drawing1.dwg"));
    }
    EXPECT_EQ(failureOf([] { com::activeObject(u"Vedoris.ComTest.Own"); }).code(), hr::Mk_E_Unavailable);
}

TEST(ComObjects, TheApartmentGuardBalancesItsOwnInitialisation)
{
    // This thread already is in an apartment (the test main's).
    {
        com::Apartment again;
        EXPECT_EQ(again.result(), S_FALSE);
    }
    EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE) << "the outer apartment is intact";
    ::CoUninitialize();

    // A new thread gets an apartment of its own, and COM works there.
    HRESULT onThread = E_FAIL;
    int32_t echoed = 0;
    std::thread worker([&] {
        com::Apartment apartment;
        onThread = apartment.result();
        try {
            echoed = get(Variant::dispatch(com::createObject(u"Vedoris.ComTest")), u"Echo", Variant::i4(9)).toI4();
        } catch (const CallFailure& e) {
            ADD_FAILURE() << e.what();
        }
    });
    worker.join();
    EXPECT_EQ(onThread, S_OK);
    EXPECT_EQ(echoed, 9);
}

} // namespace
