#include "platform/os/FolderSafety.h"
#include "platform/os/FolderSafety_win.h"

#include <aclapi.h>

#include <array>
#include <vector>

namespace os {

namespace {

// Anything that lets the holder add, replace or remove the folder's files,
// or give himself that right.
constexpr ACCESS_MASK writeRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE | WRITE_DAC
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

class Handle {
public:
    Handle() = default;
    ~Handle()
    {
        if (m_handle)
            ::CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE* put() { return &m_handle; }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};

using Sid = std::array<BYTE, SECURITY_MAX_SID_SIZE>;

// The system's own accounts, which may write anywhere anyway: a folder that
// only they may write is as safe as it gets.
class SystemAccounts {
public:
    SystemAccounts()
    {
        const WELL_KNOWN_SID_TYPE kinds[] = {WinLocalSystemSid, WinBuiltinAdministratorsSid};
        for (size_t i = 0; i < 2; ++i) {
            DWORD size = DWORD(m_sids[i].size());
            m_complete = ::CreateWellKnownSid(kinds[i], nullptr, m_sids[i].data(), &size) != FALSE && m_complete;
        }
        // NT SERVICE\TrustedInstaller, which owns what Windows installs.
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID installer = nullptr;
        if (::AllocateAndInitializeSid(&nt, 6, SECURITY_SERVICE_ID_BASE_RID, 956008885, 3418522649, 1831038044,
                                       1853292631, 2271478464, 0, 0, &installer)) {
            m_complete = ::CopySid(DWORD(m_sids[2].size()), m_sids[2].data(), installer) != FALSE && m_complete;
            ::FreeSid(installer);
        } else {
            m_complete = false;
        }
    }

    bool complete() const { return m_complete; }

    bool contain(PSID sid) const
    {
        for (const Sid& known : m_sids) {
            if (::EqualSid(sid, const_cast<BYTE*>(known.data())))
                return true;
        }
        return false;
    }

private:
    std::array<Sid, 3> m_sids{};
    bool m_complete = true;
};

// The account this process runs as; empty when it cannot be told.
std::vector<BYTE> processUser()
{
    Handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return {};
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    std::vector<BYTE> copy(::GetLengthSid(sid));
    if (!::CopySid(DWORD(copy.size()), copy.data(), sid))
        return {};
    return copy;
}

} // namespace

bool grantsOthersWrite(PSID owner, const ACL* dacl, PSID user)
{
    if (!owner || !dacl || !::IsValidSid(owner))
        return true;
    const SystemAccounts system;
    if (!system.complete())
        return true;
    const auto trusted = [&](PSID sid) { return system.contain(sid) || (user && ::EqualSid(sid, user)); };
    // The owner may always change the list, and with it who writes.
    if (!trusted(owner))
        return true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(const_cast<ACL*>(dacl), i, &entry))
            return true;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        // An entry that only passes to what the folder holds says nothing of
        // the folder; one that denies only takes away. Any other kind of
        // entry (object, callback, conditional) cannot be judged here.
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0 || header->AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return true;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & writeRights) != 0 && !trusted(&allowed->SidStart))
            return true;
    }
    return false;
}

bool processIsElevated()
{
    Handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return true;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size))
        return true;
    return elevation.TokenIsElevated != 0;
}

bool othersMayWrite(const QString& folder)
{
    if (folder.isEmpty())
        return true;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc =
        ::GetNamedSecurityInfoW(reinterpret_cast<LPCWSTR>(folder.utf16()), SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &dacl,
                                nullptr, &descriptor);
    const LocalMemory release(descriptor);
    // A folder whose descriptor cannot be read cannot be told safe, and a
    // file is no folder.
    const DWORD attributes = ::GetFileAttributesW(reinterpret_cast<LPCWSTR>(folder.utf16()));
    if (rc != ERROR_SUCCESS || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return true;
    if (processIsElevated())
        return grantsOthersWrite(owner, dacl, nullptr);
    std::vector<BYTE> user = processUser();
    return user.empty() || grantsOthersWrite(owner, dacl, user.data());
}

} // namespace os
