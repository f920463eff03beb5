// Which folders others may write into, read from their DACL. The lists are
// built in memory from their text form (Wine keeps no list of its own on a
// folder: it shows one made from the Unix mode), and one folder of Wine's is
// asked about whole.
#include "platform/os/FolderSafety.h"
#include "platform/os/FolderSafety_win.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>

namespace {

struct DaclCase {
    const char* name;
    const wchar_t* sddl; // a security descriptor with the list
    bool othersMayWrite;
};

class FolderDaclTest : public testing::TestWithParam<DaclCase> {};

TEST_P(FolderDaclTest, WriteForEveryoneOrUsersIsOthersWriting)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(GetParam().sddl, SDDL_REVISION_1,
                                                                        &descriptor, nullptr));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    EXPECT_EQ(os::grantsOthersWrite(present ? dacl : nullptr), GetParam().othersMayWrite);
    ::LocalFree(descriptor);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderDaclTest,
    testing::Values(DaclCase{"SystemAndAdministratorsOnly", L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},
                    DaclCase{"UsersMayRead", L"D:P(A;OICI;FA;;;SY)(A;OICI;FR;;;BU)", false},
                    DaclCase{"EveryoneMayDoAnything", L"D:P(A;OICI;FA;;;WD)", true},
                    DaclCase{"UsersMayAddFiles", L"D:P(A;;FA;;;SY)(A;;0x2;;;BU)", true},
                    DaclCase{"AuthenticatedUsersMayWrite", L"D:P(A;;FA;;;SY)(A;;FW;;;AU)", true},
                    DaclCase{"UsersMayChangeThePermissions", L"D:P(A;;FA;;;SY)(A;;WD;;;BU)", true},
                    DaclCase{"EveryoneMayWriteOnlyWhatIsInside", L"D:P(A;;FA;;;SY)(A;OICIIO;FA;;;WD)", false},
                    DaclCase{"EveryoneDeniedWrite", L"D:P(A;;FA;;;SY)(D;;FW;;;WD)", false}),
    [](const testing::TestParamInfo<DaclCase>& info) { return std::string(info.param.name); });

// A descriptor without a list lets everybody do anything. (Built directly:
// Wine reads "D:NO_ACCESS_CONTROL" as an empty list.)
TEST(FolderDacl, NoAccessListAtAllLetsEverybodyWrite)
{
    EXPECT_TRUE(os::grantsOthersWrite(nullptr));
}

TEST(FolderDacl, AFolderOfTheUserIsSafeAndAMissingOneCannotBeTold)
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"vedoris-dacl-" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_FALSE(os::othersMayWrite(QString::fromStdWString(folder)));
    ::RemoveDirectoryW(folder.c_str());
    EXPECT_TRUE(os::othersMayWrite(QString::fromStdWString(folder)));
}

} // namespace
