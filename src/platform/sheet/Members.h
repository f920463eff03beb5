#pragma once

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

#include <string>

// How the stand-in's members check the way they are invoked. A property read
// answers a property-get or a method-or-get; a method answers a method or a
// method-or-get; anything else is refused as an IDispatch implementation
// built from a type library refuses it (DISP_E_MEMBERNOTFOUND).
namespace sheet::members {

inline void expectGet(automation::InvokeKind kind)
{
    if (kind != automation::InvokeKind::PropertyGet && kind != automation::InvokeKind::MethodOrGet)
        throw automation::AutomationError(automation::hr::Disp_E_MemberNotFound, {});
}

inline void expectCall(automation::InvokeKind kind)
{
    if (kind != automation::InvokeKind::Method && kind != automation::InvokeKind::MethodOrGet)
        throw automation::AutomationError(automation::hr::Disp_E_MemberNotFound, {});
}

inline void expectCount(automation::Args args, size_t n)
{
    if (args.size() != n)
        throw automation::AutomationError(automation::hr::Disp_E_BadParamCount, {});
}

// A failure the spreadsheet itself raises (its run-time error 1004 reaches a
// client as DISP_E_EXCEPTION with a description).
[[noreturn]] inline void refuse(std::u16string description)
{
    throw automation::AutomationError(automation::hr::Disp_E_Exception, std::move(description),
                                      u"Excel.Sheet");
}

} // namespace sheet::members
