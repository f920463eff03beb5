// Registering the classes this project's programs serve: per user, with the
// machine's classes as well where COM does not look at the user's (Wine).
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

com::ServerClass serverClass(const std::u16string& classId, const std::u16string& localServer = {})
{
    return {.progId = progId, .classId = classId, .description = u"Vedoris test class", .localServer = localServer};
}

// The class COM maps the ProgID to, as registry text; empty when none.
std::u16string knownClass()
{
    CLSID id{};
    if (FAILED(::CLSIDFromProgID(com::toWide(progId).c_str(), &id)))
        return {};
    LPOLESTR text = nullptr;
    ::StringFromCLSID(id, &text);
    const std::u16string result(reinterpret_cast<const char16_t*>(text));
    ::CoTaskMemFree(text);
    return result;
}

std::u16string classesValue(const std::u16string& key)
{
    wchar_t text[512] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, com::toWide(key).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size)
        != ERROR_SUCCESS)
        return u"(none)";
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

class ServerRegistry : public testing::Test {
protected:
    void TearDown() override
    {
        com::unregisterServerClass(serverClass(firstClass));
        com::unregisterServerClass(serverClass(secondClass));
    }
};

TEST_F(ServerRegistry, ARegisteredClassIsKnownByItsProgIdUntilItIsRemoved)
{
    ASSERT_EQ(knownClass(), u"");
    com::registerServerClass(serverClass(firstClass));
    EXPECT_EQ(knownClass(), firstClass);
    EXPECT_EQ(classesValue(u"CLSID\\" + firstClass + u"\\ProgID"), progId);
    EXPECT_EQ(classesValue(u"CLSID\\" + firstClass + u"\\LocalServer32"), u"(none)")
        << "a class only ever found running has no server to start";

    com::unregisterServerClass(serverClass(firstClass));
    EXPECT_EQ(knownClass(), u"");
    EXPECT_EQ(classesValue(u"CLSID\\" + firstClass), u"(none)");
}

TEST_F(ServerRegistry, TheServerCommandIsWhatComRuns)
{
    const std::u16string command = u"\"C:\\Tools\\sheetsim.exe\" --folder \"C:\\Мои книги\"";
    com::registerServerClass(serverClass(firstClass, command));
    EXPECT_EQ(classesValue(u"CLSID\\" + firstClass + u"\\LocalServer32"), command);
}

TEST_F(ServerRegistry, RemovingLeavesAProgIdThatNamesAnotherClassAlone)
{
    com::registerServerClass(serverClass(firstClass));
    // Another program took the ProgID over since.
    com::registerServerClass(serverClass(secondClass));
    com::unregisterServerClass(serverClass(firstClass));
    EXPECT_EQ(knownClass(), secondClass);
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
    EXPECT_EQ(classesValue(u"CLSID\\" + firstClass + u"\\LocalServer32"), u"\"C:\\Tools\\other.exe\"");
    com::unregisterServerClass(other);
    EXPECT_EQ(classesValue(u"CLSID\\" + firstClass), u"(none)");
}

TEST_F(ServerRegistry, RemovingWhatWasNeverRegisteredIsHarmless)
{
    com::unregisterServerClass(serverClass(firstClass));
    EXPECT_EQ(knownClass(), u"");
}

} // namespace
