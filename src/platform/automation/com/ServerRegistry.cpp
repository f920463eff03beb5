#include "platform/automation/com/ServerRegistry.h"

#include "platform/automation/com/ComError.h"
#include "platform/automation/com/ComResources.h"

#include <windows.h>

#include <objbase.h>

namespace automation::com {

namespace {

const std::wstring userClasses = L"Software\\Classes\\";

// An open registry key, closed when it goes.
class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key()
    {
        if (m_key)
            ::RegCloseKey(m_key);
    }
    HKEY* put() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Writes a text value of the key (its default value when `name` is null).
void writeText(HKEY root, const std::wstring& path, const wchar_t* name, const std::u16string& value)
{
    Key key;
    LSTATUS status = ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                       nullptr, key.put(), nullptr);
    if (status == ERROR_SUCCESS) {
        const std::wstring text = toWide(value);
        status = ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    if (status != ERROR_SUCCESS)
        throwFailure(HRESULT_FROM_WIN32(static_cast<DWORD>(status)));
}

void writeDefault(HKEY root, const std::wstring& path, const std::u16string& value)
{
    writeText(root, path, nullptr, value);
}

// The default value of a key, or nothing when there is no such key or value
// (or one longer than any path).
std::wstring readDefault(HKEY root, const std::wstring& path)
{
    wchar_t text[1024] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (::RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return {};
    return text;
}

void writeClass(HKEY root, const ServerClass& server)
{
    const std::wstring progId = userClasses + toWide(server.progId);
    const std::wstring classKey = userClasses + L"CLSID\\" + toWide(server.classId);
    writeDefault(root, progId, server.description);
    writeDefault(root, progId + L"\\CLSID", server.classId);
    writeDefault(root, classKey, server.description);
    writeDefault(root, classKey + L"\\ProgID", server.progId);
    if (!server.localServer.empty())
        writeDefault(root, classKey + L"\\LocalServer32", server.localServer);
    if (!server.inprocServer.empty()) {
        writeDefault(root, classKey + L"\\InprocServer32", server.inprocServer);
        writeText(root, classKey + L"\\InprocServer32", L"ThreadingModel", u"Apartment");
    }
}

// Removes only what is this server's: a ProgID that now names another
// class, or a class key another program registered under the same CLSID,
// belongs to someone else and stays.
void removeClass(HKEY root, const ServerClass& server)
{
    const std::wstring progId = userClasses + toWide(server.progId);
    const std::wstring classId = toWide(server.classId);
    const std::wstring classKey = userClasses + L"CLSID\\" + classId;
    if (::lstrcmpiW(readDefault(root, progId + L"\\CLSID").c_str(), classId.c_str()) == 0)
        ::RegDeleteTreeW(root, progId.c_str());
    if (readDefault(root, classKey) == toWide(server.description))
        ::RegDeleteTreeW(root, classKey.c_str());
}

} // namespace

void registerServerClass(const ServerClass& server) { writeClass(HKEY_CURRENT_USER, server); }

void unregisterServerClass(const ServerClass& server) { removeClass(HKEY_CURRENT_USER, server); }

UserRegistration userRegistration(std::u16string_view progId)
{
    UserRegistration found;
    const std::wstring classId = readDefault(HKEY_CURRENT_USER, userClasses + toWide(progId) + L"\\CLSID");
    if (classId.empty())
        return found;
    found.classId.assign(classId.begin(), classId.end());
    const std::wstring server =
        readDefault(HKEY_CURRENT_USER, userClasses + L"CLSID\\" + classId + L"\\InprocServer32");
    found.inprocServer.assign(server.begin(), server.end());
    return found;
}

} // namespace automation::com
