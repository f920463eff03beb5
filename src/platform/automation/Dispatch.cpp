#include "platform/automation/Dispatch.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Utf8.h"

#include <string>

namespace automation {

const char* kindName(InvokeKind kind)
{
    switch (kind) {
    case InvokeKind::Method: return "method";
    case InvokeKind::PropertyGet: return "property-get";
    case InvokeKind::MethodOrGet: return "method-or-get";
    case InvokeKind::PropertyPut: return "property-put";
    }
    return "?";
}

Variant invoke(const Variant& object, std::u16string_view member, InvokeKind kind, Args args)
{
    if (!object.isDispatch())
        throw AutomationError(hr::Disp_E_TypeMismatch, u"Object required", {}, std::u16string(member));
    // Hold our own reference: the call may drop the caller's last one.
    const DispatchRef target = object.toDispatch();
    try {
        return target->invoke(member, kind, args);
    } catch (const CallFailure& e) {
        // Of the same kind as it came (a refusal stays one, which a caller
        // may try again), naming the member.
        e.raiseWithMember(member);
    }
}

Variant Dispatch::invokeById(int32_t dispatchId, InvokeKind, Args)
{
    throw AutomationError(hr::Disp_E_MemberNotFound, {}, {}, u"DISPID " + fromUtf8(std::to_string(dispatchId)));
}

Variant invokeById(const Variant& object, int32_t dispatchId, InvokeKind kind, Args args)
{
    const std::u16string member = u"DISPID " + fromUtf8(std::to_string(dispatchId));
    if (!object.isDispatch())
        throw AutomationError(hr::Disp_E_TypeMismatch, u"Object required", {}, member);
    const DispatchRef target = object.toDispatch();
    try {
        return target->invokeById(dispatchId, kind, args);
    } catch (const CallFailure& e) {
        e.raiseWithMember(member);
    }
}

} // namespace automation
