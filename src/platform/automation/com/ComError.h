#pragma once

#ifdef _WIN32

#include "platform/automation/AutomationError.h"

#include <windows.h>

#include <ole2.h>
#include <oaidl.h>

#include <string_view>

namespace automation::com {

// A failed HRESULT as a failure naming the member: a LinkFailure for the
// codes of the call channel (isLinkFailureCode), an AutomationError for the
// rest. The description is left to the standard text of the code.
[[noreturn]] void throwFailure(HRESULT result, std::u16string_view member = {});

inline void check(HRESULT result, std::u16string_view member = {})
{
    if (FAILED(result))
        throwFailure(result, member);
}

// Raises the exception a server reported through EXCEPINFO
// (DISP_E_EXCEPTION), freeing the strings of `info`, of the kind its code
// says (raiseCallFailure). The code is wCode when the server set one, else
// scode. A server in this apartment may leave the texts to its deferred
// fill-in, which is run first when `runDeferredFillIn` says so: only for an
// object called directly. Through a proxy the pointer belongs to the other
// process, whose stub runs the fill-in itself (Windows) or, under Wine,
// passes the pointer through unrun and truncated; calling it would jump into
// nowhere.
[[noreturn]] void raiseException(EXCEPINFO& info, std::u16string_view member, bool runDeferredFillIn);

// The other way: a failure of one of this program's objects, for a COM
// caller. Fills `info` (when given) and answers the HRESULT to return.
HRESULT reportFailure(const CallFailure& error, EXCEPINFO* info);

} // namespace automation::com

#endif // _WIN32
