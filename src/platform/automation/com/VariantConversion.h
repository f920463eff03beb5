#pragma once

#ifdef _WIN32

#include "platform/automation/Variant.h"

#include <windows.h>

#include <ole2.h>
#include <oaidl.h>

namespace automation::com {

// Fills `out`, which must be empty (VT_EMPTY), with a VARIANT that owns its
// content: a BSTR for text, a one-dimensional SAFEARRAY of VARIANT with the
// same lower bound for an array (nested arrays included), an IDispatch for
// an object (an object of this program is wrapped in an IDispatch of ours).
// On failure `out` is left empty. Values nest 32 levels at most (an
// AutomationError past that).
void toComVariant(const Variant& value, VARIANT& out);

// The value of a VARIANT, by reference or not. Integer kinds that the
// automation layer does not have are widened (VT_UI1 to I2, VT_UI4 to I8, …),
// VT_R4, currency, dates and decimals become doubles; one-dimensional
// SAFEARRAYs of VARIANT or of any scalar kind become arrays with their lower
// bound. Anything else is DISP_E_BADVARTYPE. A value nested deeper than 32
// levels (arrays in arrays, by-reference VARIANTs that point on, or at
// themselves) is an AutomationError, E_INVALIDARG, before the stack runs out.
Variant fromComVariant(const VARIANT& in);

} // namespace automation::com

#endif // _WIN32
