#pragma once

#ifdef _WIN32

#include <windows.h>

#include <ole2.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace automation::com {

// An owned BSTR: SysFreeString when it goes.
class Bstr {
public:
    Bstr() = default;
    // A copy of the text; embedded nulls are kept, as SysAllocStringLen does.
    explicit Bstr(std::u16string_view text);
    static Bstr adopt(BSTR text)
    {
        Bstr b;
        b.m_text = text;
        return b;
    }
    Bstr(Bstr&& other) noexcept : m_text(std::exchange(other.m_text, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept
    {
        std::swap(m_text, other.m_text);
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(m_text); }

    BSTR get() const { return m_text; }
    BSTR* put()
    {
        ::SysFreeString(std::exchange(m_text, nullptr));
        return &m_text;
    }
    BSTR detach() { return std::exchange(m_text, nullptr); }

private:
    BSTR m_text = nullptr;
};

// The text of a BSTR by its stored length; a null BSTR is the empty text.
std::u16string toU16(BSTR text);

// A null-terminated copy for the APIs that take an LPCOLESTR. wchar_t is
// UTF-16 on Windows, so the code units carry over one for one.
std::wstring toWide(std::u16string_view text);

// A VARIANT that clears itself (VariantClear) when it goes.
class VariantGuard {
public:
    VariantGuard() { ::VariantInit(&m_value); }
    VariantGuard(const VariantGuard&) = delete;
    VariantGuard& operator=(const VariantGuard&) = delete;
    ~VariantGuard() { ::VariantClear(&m_value); }

    VARIANT* get() { return &m_value; }
    const VARIANT* get() const { return &m_value; }
    VARIANT* operator->() { return &m_value; }
    const VARIANT* operator->() const { return &m_value; }
    VARIANT& operator*() { return m_value; }
    const VARIANT& operator*() const { return m_value; }
    void clear() { ::VariantClear(&m_value); }

private:
    VARIANT m_value;
};

// A block of VARIANTs, all cleared when it goes: the argument array of one
// call. Its size is fixed, so pointers to its elements stay valid.
class VariantArray {
public:
    explicit VariantArray(size_t count) : m_values(count)
    {
        for (VARIANT& v : m_values)
            ::VariantInit(&v);
    }
    VariantArray(const VariantArray&) = delete;
    VariantArray& operator=(const VariantArray&) = delete;
    ~VariantArray()
    {
        for (VARIANT& v : m_values)
            ::VariantClear(&v);
    }

    VARIANT* data() { return m_values.empty() ? nullptr : m_values.data(); }
    VARIANT& operator[](size_t i) { return m_values[i]; }
    size_t size() const { return m_values.size(); }

private:
    std::vector<VARIANT> m_values;
};

// An owned SAFEARRAY: SafeArrayDestroy (which clears every element) when it goes.
class SafeArrayGuard {
public:
    explicit SafeArrayGuard(SAFEARRAY* array = nullptr) : m_array(array) {}
    SafeArrayGuard(const SafeArrayGuard&) = delete;
    SafeArrayGuard& operator=(const SafeArrayGuard&) = delete;
    ~SafeArrayGuard()
    {
        if (m_array)
            ::SafeArrayDestroy(m_array);
    }

    SAFEARRAY* get() const { return m_array; }
    SAFEARRAY* detach() { return std::exchange(m_array, nullptr); }

private:
    SAFEARRAY* m_array;
};

// SafeArrayAccessData for the life of the guard.
class SafeArrayAccess {
public:
    explicit SafeArrayAccess(SAFEARRAY* array);
    SafeArrayAccess(const SafeArrayAccess&) = delete;
    SafeArrayAccess& operator=(const SafeArrayAccess&) = delete;
    ~SafeArrayAccess()
    {
        if (m_data)
            ::SafeArrayUnaccessData(m_array);
    }

    template <typename T>
    T* data() const
    {
        return static_cast<T*>(m_data);
    }

private:
    SAFEARRAY* m_array;
    void* m_data = nullptr;
};

} // namespace automation::com

#endif // _WIN32
