// Which folders others may write into, read from their owner and DACL. The
// descriptors are built in memory from their text form (Wine keeps none of
// its own on a folder: it shows one made from the Unix mode, owned by the
// user), and one folder of Wine's is asked about whole.
#include "platform/os/FolderSafety.h"
#include "platform/os/FolderSafety_win.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>

namespace {

// The user the cases are judged for, and another one.
#define USER L"S-1-5-21-1004336348-1177238915-682003330-1001"
#define OTHER_USER L"S-1-5-21-1004336348-1177238915-682003330-1002"
#define TRUSTED_INSTALLER L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"

struct DaclCase {
    const char* name;
    const wchar_t* sddl; // the folder's descriptor: owner and list
    bool forTheUser;     // whether others may write, for a process of the user that is not elevated
    bool forElevated;    // the same for an elevated process
};

class FolderDaclTest : public testing::TestWithParam<DaclCase> {};

TEST_P(FolderDaclTest, OnlyTheSystemsAccountsAndTheUserUnlessElevatedMayWrite)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(GetParam().sddl, SDDL_REVISION_1,
                                                                        &descriptor, nullptr));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted));
    PSID user = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(USER, &user));
    EXPECT_EQ(os::grantsOthersWrite(owner, present ? dacl : nullptr, user), GetParam().forTheUser) << "not elevated";
    EXPECT_EQ(os::grantsOthersWrite(owner, present ? dacl : nullptr, nullptr), GetParam().forElevated) << "elevated";
    ::LocalFree(user);
    ::LocalFree(descriptor);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderDaclTest,
    testing::Values(
        // Program Files: only the system's accounts write, users read.
        DaclCase{"ProgramFiles", L"O:" TRUSTED_INSTALLER L"D:P(A;OICI;FA;;;" TRUSTED_INSTALLER
                                 L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;FA;;;CO)",
                 false, false},
        // %LOCALAPPDATA%\Programs\Vedoris: the user's own, which his
        // unelevated programs may write.
        DaclCase{"TheUsersOwnFolder", L"O:" USER L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" USER L")",
                 false, true},
        DaclCase{"OwnedByTheUserWhoMayRewriteTheList", L"O:" USER L"D:P(A;;FA;;;SY)(A;;FA;;;BA)", false, true},
        DaclCase{"OwnedByAnotherUser", L"O:" OTHER_USER L"D:P(A;;FA;;;SY)(A;;FA;;;BA)", true, true},
        DaclCase{"AnotherUserMayWrite", L"O:BAD:P(A;;FA;;;SY)(A;;FW;;;" OTHER_USER L")", true, true},
        DaclCase{"EveryoneMayDoAnything", L"O:BAD:P(A;OICI;FA;;;WD)", true, true},
        DaclCase{"UsersMayAddFiles", L"O:BAD:P(A;;FA;;;SY)(A;;0x2;;;BU)", true, true},
        DaclCase{"AuthenticatedUsersMayWrite", L"O:BAD:P(A;;FA;;;SY)(A;;FW;;;AU)", true, true},
        DaclCase{"UsersMayChangeThePermissions", L"O:BAD:P(A;;FA;;;SY)(A;;WD;;;BU)", true, true},
        DaclCase{"UsersMayRenameTheFolder", L"O:BAD:P(A;;FA;;;SY)(A;;SD;;;BU)", true, true},
        DaclCase{"UsersMayOnlyRead", L"O:BAD:P(A;;FA;;;SY)(A;;FR;;;BU)", false, false},
        DaclCase{"EveryoneMayWriteOnlyWhatIsInside", L"O:BAD:P(A;;FA;;;SY)(A;OICIIO;FA;;;WD)", false, false},
        DaclCase{"EveryoneDeniedWrite", L"O:BAD:P(A;;FA;;;SY)(D;;FW;;;WD)", false, false},
        // Wine's folders: the user owns them and may do anything, everybody
        // reads (a Unix mode of 755).
        DaclCase{"WinesFolder", L"O:" USER L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" USER L")(A;OICI;0x1200a9;;;WD)",
                 false, true},
        DaclCase{"NoOwner", L"D:P(A;;FA;;;SY)", true, true}),
    [](const testing::TestParamInfo<DaclCase>& info) { return std::string(info.param.name); });

// A descriptor without a list lets everybody do anything. (Built directly:
// Wine reads "D:NO_ACCESS_CONTROL" as an empty list.)
TEST(FolderDacl, NoAccessListAtAllLetsEverybodyWrite)
{
    PSID administrators = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"BA", &administrators));
    EXPECT_TRUE(os::grantsOthersWrite(administrators, nullptr, nullptr));
    ::LocalFree(administrators);
}

// A folder the user made: his unelevated programs may write it, which is
// safe for them and not for an elevated one. (Wine runs its programs
// elevated unless they are started with the limited token.)
TEST(FolderDacl, AFolderOfTheUserIsSafeUnlessElevatedAndAMissingOneCannotBeTold)
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"vedoris-dacl-" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring file = folder + L"\\file.txt";
    ::CloseHandle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    EXPECT_EQ(os::othersMayWrite(QString::fromStdWString(folder)), os::processIsElevated());
    EXPECT_TRUE(os::othersMayWrite(QString::fromStdWString(file))) << "a file is no folder";
    ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(folder.c_str());
    EXPECT_TRUE(os::othersMayWrite(QString::fromStdWString(folder)));
}

} // namespace
