#include "platform/automation/com/Apartment.h"

namespace automation::com {

Apartment::Apartment() : m_result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}

Apartment::~Apartment()
{
    // Every successful CoInitializeEx, S_FALSE included, needs its own
    // CoUninitialize; a failed one must not have one.
    if (SUCCEEDED(m_result))
        ::CoUninitialize();
}

} // namespace automation::com
