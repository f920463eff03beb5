#include "platform/os/FolderSafety.h"
#include "platform/os/FolderSafety_win.h"

#include <aclapi.h>

#include <array>

namespace os {

namespace {

// Anything that lets the holder add, replace or remove the folder's files,
// or give himself that right.
constexpr ACCESS_MASK writeRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | WRITE_DAC
                                    | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

class LocalMemory {
public:
    explicit LocalMemory(PSECURITY_DESCRIPTOR memory) : m_memory(memory) {}
    ~LocalMemory()
    {
        if (m_memory)
            ::LocalFree(m_memory);
    }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;

private:
    PSECURITY_DESCRIPTOR m_memory;
};

// A well-known group by its kind; false when the system will not make it.
bool makeSid(WELL_KNOWN_SID_TYPE kind, std::array<BYTE, SECURITY_MAX_SID_SIZE>& sid)
{
    DWORD size = DWORD(sid.size());
    return ::CreateWellKnownSid(kind, nullptr, sid.data(), &size) != FALSE;
}

} // namespace

bool grantsOthersWrite(const ACL* dacl)
{
    if (!dacl)
        return true;
    std::array<std::array<BYTE, SECURITY_MAX_SID_SIZE>, 3> groups{};
    const WELL_KNOWN_SID_TYPE kinds[] = {WinWorldSid, WinAuthenticatedUserSid, WinBuiltinUsersSid};
    for (size_t i = 0; i < groups.size(); ++i) {
        if (!makeSid(kinds[i], groups[i]))
            return true;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(const_cast<ACL*>(dacl), i, &entry))
            return true;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        // An entry that only passes to what the folder holds says nothing of the folder.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0)
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & writeRights) == 0)
            continue;
        PSID sid = &allowed->SidStart;
        for (auto& group : groups) {
            if (::EqualSid(sid, group.data()))
                return true;
        }
    }
    return false;
}

bool othersMayWrite(const QString& folder)
{
    if (folder.isEmpty())
        return true;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = ::GetNamedSecurityInfoW(reinterpret_cast<LPCWSTR>(folder.utf16()), SE_FILE_OBJECT,
                                             DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &descriptor);
    const LocalMemory release(descriptor);
    // A folder whose list cannot be read cannot be told safe.
    return rc != ERROR_SUCCESS || grantsOthersWrite(dacl);
}

} // namespace os
