#include "platform/automation/com/ClassObject.h"

#include "platform/automation/com/ComError.h"
#include "platform/automation/com/ComObjects.h"
#include "platform/automation/com/DispatchAdapter.h"
#include "platform/automation/com/SingleInterface.h"

#include <atomic>

namespace automation::com {

namespace {

std::atomic<size_t> g_serverLocks{0};

class ClassObject final : public SingleInterface<IClassFactory, IID_IClassFactory> {
public:
    explicit ClassObject(ClassFactory factory) : m_factory(std::move(factory)) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            const DispatchRef made = m_factory();
            if (!made)
                return E_FAIL;
            return DispatchAdapter::of(made)->QueryInterface(iid, object);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL; // nothing may leave a COM method
        }
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            ++g_serverLocks;
        else if (g_serverLocks > 0)
            --g_serverLocks;
        return S_OK;
    }

private:
    ~ClassObject() override = default;

    ClassFactory m_factory;
};

} // namespace

ComPtr<IClassFactory> makeClassObject(ClassFactory factory)
{
    return ComPtr<IClassFactory>::adopt(new ClassObject(std::move(factory)));
}

Registration registerClassObject(std::u16string_view progId, ClassFactory factory)
{
    const CLSID id = classIdOf(progId);
    ComPtr<IClassFactory> classObject = makeClassObject(std::move(factory));
    DWORD cookie = 0;
    check(::CoRegisterClassObject(id, classObject.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie));
    // COM holds the class object now; the revocation lets go of it.
    return Registration([cookie] { ::CoRevokeClassObject(cookie); });
}

size_t heldByClients() { return DispatchAdapter::liveCount() + g_serverLocks.load(); }

} // namespace automation::com
