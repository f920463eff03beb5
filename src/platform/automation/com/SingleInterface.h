#pragma once

#ifdef _WIN32

#include <windows.h>

#include <unknwn.h>

#include <atomic>

namespace automation::com {

// IUnknown for a COM object of ours that offers one interface besides
// IUnknown: reference counted, deleted when the last reference goes, made
// with one reference for its creator.
template <class Interface, const IID& InterfaceId>
class SingleInterface : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, InterfaceId)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
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

protected:
    SingleInterface() = default;
    virtual ~SingleInterface() = default;

    // A reference for an object found in a table of live objects: none for
    // one whose count reached zero, which is on its way out though its
    // destructor has not run yet.
    bool addRefUnlessDying()
    {
        ULONG count = m_references.load();
        while (count != 0)
            if (m_references.compare_exchange_weak(count, count + 1))
                return true;
        return false;
    }

private:
    std::atomic<ULONG> m_references{1};
};

} // namespace automation::com

#endif // _WIN32
