#include "platform/automation/com/ClassObject.h"

#include "platform/automation/com/ComError.h"
#include "platform/automation/com/ComObjects.h"
#include "platform/automation/com/DispatchAdapter.h"

#include <atomic>

namespace automation::com {

namespace {

std::atomic<size_t> g_serverLocks{0};

class ClassObject final : public IClassFactory {
public:
    explicit ClassObject(ClassFactory factory) : m_factory(std::move(factory)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

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
    ~ClassObject() = default;

    std::atomic<ULONG> m_references{1};
    ClassFactory m_factory;
};

} // namespace

Registration registerClassObject(std::u16string_view progId, ClassFactory factory)
{
    const CLSID id = classIdOf(progId);
    ComPtr<IClassFactory> classObject = ComPtr<IClassFactory>::adopt(new ClassObject(std::move(factory)));
    DWORD cookie = 0;
    check(::CoRegisterClassObject(id, classObject.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie));
    // COM holds the class object now; the revocation lets go of it.
    return Registration([cookie] { ::CoRevokeClassObject(cookie); });
}

size_t heldByClients() { return DispatchAdapter::liveCount() + g_serverLocks.load(); }

} // namespace automation::com
