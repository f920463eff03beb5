#include "platform/automation/com/ComError.h"

#include "platform/automation/HResult.h"
#include "platform/automation/com/ComResources.h"

#include <utility>

namespace automation::com {

void throwFailure(HRESULT result, std::u16string_view member)
{
    raiseCallFailure(static_cast<int32_t>(result), {}, {}, std::u16string(member));
}

void raiseException(EXCEPINFO& info, std::u16string_view member, bool runDeferredFillIn)
{
    if (const auto fill = std::exchange(info.pfnDeferredFillIn, nullptr); fill && runDeferredFillIn)
        fill(&info);
    Bstr source = Bstr::adopt(info.bstrSource);
    Bstr description = Bstr::adopt(info.bstrDescription);
    Bstr helpFile = Bstr::adopt(info.bstrHelpFile);
    info.bstrSource = info.bstrDescription = info.bstrHelpFile = nullptr;

    int32_t code = info.wCode != 0 ? static_cast<int32_t>(info.wCode) : static_cast<int32_t>(info.scode);
    if (code == 0)
        code = hr::Disp_E_Exception; // an exception that names no code still is one
    raiseCallFailure(code, toU16(description.get()), toU16(source.get()), std::u16string(member));
}

HRESULT reportFailure(const CallFailure& error, EXCEPINFO* info)
{
    HRESULT code = static_cast<HRESULT>(error.code());
    if (SUCCEEDED(code))
        code = E_FAIL;
    // A bare dispatch failure (unknown member, wrong argument count, type
    // mismatch) goes back as its own HRESULT, as IDispatch servers answer it;
    // anything with a text travels as an exception.
    if (!info || (error.description().empty() && error.source().empty())) {
        // The name was resolved by GetIDsOfNames already: for Invoke a member
        // that the object turns down is "member not found".
        return code == hr::Disp_E_UnknownName ? DISP_E_MEMBERNOTFOUND : code;
    }
    *info = EXCEPINFO{};
    info->scode = code;
    info->bstrSource = Bstr(error.source()).detach();
    info->bstrDescription = Bstr(error.message()).detach();
    return DISP_E_EXCEPTION;
}

} // namespace automation::com
