#include "platform/automation/AutomationError.h"

#include "platform/automation/HResult.h"
#include "platform/automation/Utf8.h"

#include <cstdio>
#include <exception>

namespace automation {

namespace {

std::u16string describe(int32_t code, const std::u16string& description)
{
    return description.empty() ? standardMessage(code) : description;
}

} // namespace

CallFailure::CallFailure(int32_t code, std::u16string description, std::u16string source, std::u16string member)
    : std::runtime_error(toUtf8(describe(code, description))),
      m_code(code),
      m_description(std::move(description)),
      m_source(std::move(source)),
      m_member(std::move(member))
{
}

std::u16string CallFailure::message() const { return describe(m_code, m_description); }

AutomationError AutomationError::withMember(std::u16string_view member) const
{
    if (!this->member().empty())
        return *this;
    return AutomationError(code(), description(), source(), std::u16string(member));
}

void CallFailure::raiseWithMember(std::u16string_view member) const
{
    raiseOfThisKind(member);
    std::terminate(); // every kind throws
}

void AutomationError::raiseOfThisKind(std::u16string_view member) const { throw withMember(member); }

void LinkFailure::raiseOfThisKind(std::u16string_view member) const
{
    if (!this->member().empty())
        throw *this;
    throw LinkFailure(code(), description(), source(), std::u16string(member));
}

bool isLinkFailureCode(int32_t code) noexcept
{
    const auto value = static_cast<uint32_t>(code);
    // FACILITY_RPC: refused, timed out, disconnected, server died, …
    if ((value & 0xFFFF0000u) == 0x80010000u)
        return true;
    // The RPC runtime's errors (RPC_S_SERVER_UNAVAILABLE, RPC_S_CALL_FAILED,
    // RPC_S_CALL_CANCELLED, …) as HRESULT_FROM_WIN32 gives them.
    constexpr uint32_t firstRpcError = 1700;
    constexpr uint32_t lastRpcError = 1830;
    if ((value & 0xFFFF0000u) == 0x80070000u) {
        const uint32_t win32 = value & 0xFFFFu;
        if (win32 >= firstRpcError && win32 <= lastRpcError)
            return true;
    }
    return code == hr::Co_E_ObjNotConnected || code == hr::Co_E_ServerStopping;
}

void raiseCallFailure(int32_t code, std::u16string description, std::u16string source, std::u16string member)
{
    if (isLinkFailureCode(code))
        throw LinkFailure(code, std::move(description), std::move(source), std::move(member));
    throw AutomationError(code, std::move(description), std::move(source), std::move(member));
}

std::u16string standardMessage(int32_t code)
{
    switch (code) {
    case hr::E_Fail: return u"Unspecified error";
    case hr::E_InvalidArg: return u"The parameter is incorrect";
    case hr::E_NoInterface: return u"No such interface supported";
    case hr::E_OutOfMemory: return u"Not enough storage is available to complete this operation";
    case hr::Disp_E_UnknownName: return u"Unknown name";
    case hr::Disp_E_MemberNotFound: return u"Member not found";
    case hr::Disp_E_ParamNotFound: return u"Parameter not found";
    case hr::Disp_E_TypeMismatch: return u"Type mismatch";
    case hr::Disp_E_Exception: return u"Exception occurred";
    case hr::Disp_E_Overflow: return u"Out of present range";
    case hr::Disp_E_BadIndex: return u"Invalid index";
    case hr::Disp_E_BadParamCount: return u"Invalid number of parameters";
    case hr::Disp_E_BadVarType: return u"Bad variable type";
    case hr::Mk_E_Unavailable: return u"Operation unavailable";
    case hr::Co_E_ClassString: return u"Invalid class string";
    case hr::RegDb_E_ClassNotReg: return u"Class not registered";
    case hr::Rpc_E_CallRejected: return u"Call was rejected by callee";
    case hr::Rpc_E_Disconnected: return u"The object invoked has disconnected from its clients";
    case hr::Rpc_E_ServerDied: return u"The server process died during the call";
    case hr::Rpc_E_ServerCallRetryLater: return u"The application is busy";
    case hr::Rpc_E_Timeout: return u"This operation returned because the timeout period expired";
    case hr::Rpc_E_CallCanceled: return u"Call was canceled by the message filter";
    case hr::Co_E_ObjNotConnected: return u"Object is not connected to server";
    default: break;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "OLE error %08X", static_cast<unsigned>(code));
    return fromUtf8(buffer);
}

} // namespace automation
