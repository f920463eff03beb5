#include "platform/automation/com/ComObjects.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/com/ComError.h"
#include "platform/automation/com/ComPtr.h"
#include "platform/automation/com/ComResources.h"
#include "platform/automation/com/DispatchAdapter.h"

#include <oleauto.h>

namespace automation::com {

namespace {

DispatchRef asDispatch(const ComPtr<IUnknown>& object)
{
    ComPtr<IDispatch> dispatch;
    check(object->QueryInterface(IID_IDispatch, dispatch.putVoid()));
    return dispatchFromCom(dispatch.get());
}

class ComObjectBackend final : public ObjectBackend {
public:
    DispatchRef activeObject(std::u16string_view progId) override
    {
        try {
            return com::activeObject(progId);
        } catch (const AutomationError& e) {
            if (e.code() == hr::Mk_E_Unavailable || e.code() == hr::Co_E_ClassString)
                return nullptr;
            throw;
        }
    }

    DispatchRef createObject(std::u16string_view progId) override
    {
        try {
            return com::createObject(progId);
        } catch (const AutomationError& e) {
            // No such ProgID, or a ProgID whose class is not registered (a
            // program uninstalled without its ProgID): the class is unknown.
            if (e.code() == hr::Co_E_ClassString || e.code() == hr::RegDb_E_ClassNotReg)
                return nullptr;
            throw;
        }
    }
};

} // namespace

CLSID classIdOf(std::u16string_view progId)
{
    const std::wstring name = toWide(progId);
    CLSID id{};
    check(::CLSIDFromProgID(name.c_str(), &id));
    return id;
}

DispatchRef activeObject(std::u16string_view progId)
{
    const CLSID id = classIdOf(progId);
    ComPtr<IUnknown> object;
    check(::GetActiveObject(id, nullptr, object.put()));
    return asDispatch(object);
}

DispatchRef createObject(std::u16string_view progId)
{
    const CLSID id = classIdOf(progId);
    ComPtr<IUnknown> object;
    check(::CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                             object.putVoid()));
    return asDispatch(object);
}

DispatchRef createInProcessObject(std::u16string_view progId)
{
    const CLSID id = classIdOf(progId);
    ComPtr<IUnknown> object;
    check(::CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid()));
    return asDispatch(object);
}

std::u16string inProcessServerPath(std::u16string_view progId)
{
    const std::wstring name(progId.begin(), progId.end());
    CLSID id{};
    if (FAILED(::CLSIDFromProgID(name.c_str(), &id)))
        return {};
    wchar_t text[40] = {};
    if (::StringFromGUID2(id, text, 40) == 0)
        return {};
    const std::wstring key = std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
    std::wstring path(MAX_PATH, L'\0');
    DWORD size = static_cast<DWORD>(path.size() * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path.data(), &size)
        != ERROR_SUCCESS)
        return {};
    path.resize(size / sizeof(wchar_t));
    while (!path.empty() && path.back() == L'\0')
        path.pop_back();
    return std::u16string(path.begin(), path.end());
}

std::unique_ptr<ObjectBackend> makeObjectBackend() { return std::make_unique<ComObjectBackend>(); }

Registration registerRunningObject(std::u16string_view progId, DispatchRef object)
{
    const CLSID id = classIdOf(progId);
    const ComPtr<IDispatch> adapter = dispatchToCom(object);
    if (!adapter)
        throw AutomationError(hr::E_InvalidArg, u"No object");
    DWORD cookie = 0;
    check(::RegisterActiveObject(adapter.get(), id, ACTIVEOBJECT_STRONG, &cookie));
    return Registration([cookie] { ::RevokeActiveObject(cookie, nullptr); });
}

} // namespace automation::com
