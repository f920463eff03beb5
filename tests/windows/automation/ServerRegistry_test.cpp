// Registering the classes this project's programs serve: for the current
// user alone, never for the machine. (COM does not see the user's classes
// under Wine, so the registry is read here as it was written.)
#include "ComFixture.h"

#include "platform/automation/HResult.h"
#include "platform/automation/com/ComError.h"
#include "platform/automation/com/ComResources.h"
#include "platform/automation/com/ServerRegistry.h"

#include <windows.h>

#include <objbase.h>

using namespace automation;

namespace {

const std::u16string progId = u"Vedoris.ComTest.Registered";
const std::u16string firstClass = u"{6B1F3C52-8E4A-4C1D-9F27-3A5D2E7B9C11}";
const std::u16string secondClass = u"{6B1F3C52-8E4A-4C1D-9F27-3A5D2E7B9C12}";

com::ServerClass serverClass(const std::u16string& classId, const std::u16string& localServer = {},
                             const std::u16string& inprocServer = {})
{
    return {.progId = progId,
            .classId = classId,
            .description = u"Vedoris test class",
            .localServer = localServer,
            .inprocServer = inprocServer};
}

// A value under <root>\Software\Classes, or "(none)".
std::u16string classesValue(HKEY root, const std::u16string& key, const wchar_t* name = nullptr)
{
    wchar_t text[512] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    const std::wstring path = L"Software\\Classes\\" + com::toWide(key);
    if (::RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return u"(none)";
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

std::u16string userValue(const std::u16string& key, const wchar_t* name = nullptr)
{
    return classesValue(HKEY_CURRENT_USER, key, name);
}

bool machineHasKey(const std::u16string& key)
{
    HKEY opened = nullptr;
    const std::wstring path = L"Software\\Classes\\" + com::toWide(key);
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(opened);
    return true;
}

class ServerRegistry : public testing::Test {
protected:
    void TearDown() override
    {
        com::unregisterServerClass(serverClass(firstClass));
        com::unregisterServerClass(serverClass(secondClass));
    }
};

TEST_F(ServerRegistry, AClassIsRegisteredForTheUserAloneUntilItIsRemoved)
{
    ASSERT_EQ(com::userRegistration(progId).classId, u"");
    com::registerServerClass(serverClass(firstClass));
    EXPECT_EQ(com::userRegistration(progId).classId, firstClass);
    EXPECT_EQ(userValue(u"CLSID\\" + firstClass + u"\\ProgID"), progId);
    EXPECT_EQ(userValue(u"CLSID\\" + firstClass + u"\\LocalServer32"), u"(none)")
        << "a class only ever found running has no server to start";
    // A machine's class is loaded by every elevated program of every user:
    // never written, not even where COM does not see the user's (Wine).
    EXPECT_FALSE(machineHasKey(progId));
    EXPECT_FALSE(machineHasKey(u"CLSID\\" + firstClass));

    com::unregisterServerClass(serverClass(firstClass));
    EXPECT_EQ(com::userRegistration(progId).classId, u"");
    EXPECT_EQ(userValue(u"CLSID\\" + firstClass), u"(none)");
}

TEST_F(ServerRegistry, TheServerCommandIsWhatComRuns)
{
    const std::u16string command = u"\"C:\\Tools\\sheetsim.exe\" --folder \"C:\\Мои книги\"";
    com::registerServerClass(serverClass(firstClass, command));
    EXPECT_EQ(userValue(u"CLSID\\" + firstClass + u"\\LocalServer32"), command);
}

TEST_F(ServerRegistry, AnInProcessServerIsApartmentThreadedAndReadBackByItsProgId)
{
    const std::u16string library = u"C:\\Программы\\Ведорис\\walker.dll";
    com::registerServerClass(serverClass(firstClass, {}, library));
    EXPECT_EQ(userValue(u"CLSID\\" + firstClass + u"\\InprocServer32", L"ThreadingModel"), u"Apartment");
    const com::UserRegistration registered = com::userRegistration(progId);
    EXPECT_EQ(registered.classId, firstClass);
    EXPECT_EQ(registered.inprocServer, library);
}

TEST_F(ServerRegistry, RemovingLeavesAProgIdThatNamesAnotherClassAlone)
{
    com::registerServerClass(serverClass(firstClass));
    // Another program took the ProgID over since.
    com::registerServerClass(serverClass(secondClass));
    com::unregisterServerClass(serverClass(firstClass));
    EXPECT_EQ(com::userRegistration(progId).classId, secondClass);
}

TEST_F(ServerRegistry, RemovingLeavesAClassKeyOfAnotherProgramAlone)
{
    // Another program's class under the same CLSID: removing ours must not
    // take its server away.
    com::ServerClass other = serverClass(firstClass, u"\"C:\\Tools\\other.exe\"");
    other.progId = u"Vedoris.ComTest.Other";
    other.description = u"Another program's class";
    com::registerServerClass(other);
    com::unregisterServerClass(serverClass(firstClass));
    EXPECT_EQ(userValue(u"CLSID\\" + firstClass + u"\\LocalServer32"), u"\"C:\\Tools\\other.exe\"");
    com::unregisterServerClass(other);
    EXPECT_EQ(userValue(u"CLSID\\" + firstClass), u"(none)");
}

TEST_F(ServerRegistry, RemovingWhatWasNeverRegisteredIsHarmless)
{
    com::unregisterServerClass(serverClass(firstClass));
    EXPECT_EQ(com::userRegistration(progId).classId, u"");
}

} // namespace
