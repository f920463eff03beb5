#include "platform/automation/Dispatch.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

#include <algorithm>

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
    } catch (const AutomationError& e) {
        throw e.withMember(member);
    }
}


std::u16string DispatchObject::fold(std::u16string_view name)
{
    std::u16string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), asciiLower<char16_t>);
    return folded;
}

void DispatchObject::define(std::u16string_view name, Handler handler)
{
    m_members[fold(name)] = std::move(handler);
}

Variant DispatchObject::invoke(std::u16string_view member, InvokeKind kind, Args args)
{
    const auto found = m_members.find(fold(member));
    if (found == m_members.end())
        throw AutomationError(hr::Disp_E_UnknownName, {}, {}, std::u16string(member));
    return found->second(kind, args);
}

void DispatchObject::expectArgs(Args args, size_t n)
{
    if (args.size() != n)
        throw AutomationError(hr::Disp_E_BadParamCount, {});
}

void DispatchObject::expectRead(InvokeKind kind)
{
    if (kind == InvokeKind::PropertyPut)
        throw AutomationError(hr::Disp_E_MemberNotFound, {});
}

} // namespace automation
