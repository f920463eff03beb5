#include "platform/automation/com/ComResources.h"

#include "platform/automation/AutomationError.h"

namespace automation::com {

Bstr::Bstr(std::u16string_view text)
    : m_text(::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size())))
{
    if (!m_text && !text.empty())
        throw AutomationError(E_OUTOFMEMORY, {});
}

std::u16string toU16(BSTR text)
{
    if (!text)
        return {};
    return std::u16string(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text));
}

std::wstring toWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

SafeArrayAccess::SafeArrayAccess(SAFEARRAY* array) : m_array(array)
{
    const HRESULT hr = ::SafeArrayAccessData(array, &m_data);
    if (FAILED(hr)) {
        m_data = nullptr;
        throw AutomationError(hr, {});
    }
}

} // namespace automation::com
