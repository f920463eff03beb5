#pragma once

#ifdef _WIN32

#include <windows.h>

#include <ole2.h>
#include <unknwn.h>

#include <utility>

namespace automation::com {

// An owned reference to a COM interface: Release when it goes, AddRef when
// copied. put() hands out the slot for an [out] parameter.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already owns.
    static ComPtr adopt(T* pointer)
    {
        ComPtr p;
        p.m_pointer = pointer;
        return p;
    }
    // Adds a reference of its own.
    static ComPtr share(T* pointer)
    {
        if (pointer)
            pointer->AddRef();
        return adopt(pointer);
    }

    ComPtr(const ComPtr& other) : m_pointer(other.m_pointer)
    {
        if (m_pointer)
            m_pointer->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_pointer, other.m_pointer);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // Releases what is held and returns the slot for an [out] interface.
    T** put()
    {
        reset();
        return &m_pointer;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    // Gives the reference away to a caller that takes ownership.
    T* detach() { return std::exchange(m_pointer, nullptr); }

    void reset()
    {
        if (T* p = std::exchange(m_pointer, nullptr))
            p->Release();
    }

    // QueryInterface for another interface; empty when not supported.
    template <typename U>
    ComPtr<U> query(REFIID iid) const
    {
        ComPtr<U> other;
        if (m_pointer)
            m_pointer->QueryInterface(iid, other.putVoid());
        return other;
    }

private:
    T* m_pointer = nullptr;
};

} // namespace automation::com

#endif // _WIN32
