#pragma once

#include <cstdint>

// The HRESULT values the automation layer speaks, named as Windows names them,
// so that every backend reports the same failure with the same code.
namespace automation::hr {

inline constexpr int32_t code(uint32_t value) { return static_cast<int32_t>(value); }

inline constexpr int32_t S_Ok = 0;
inline constexpr int32_t E_Fail = code(0x80004005u);
inline constexpr int32_t E_InvalidArg = code(0x80070057u);
inline constexpr int32_t E_NoInterface = code(0x80004002u);
inline constexpr int32_t E_OutOfMemory = code(0x8007000Eu);
inline constexpr int32_t Disp_E_UnknownName = code(0x80020006u);
inline constexpr int32_t Disp_E_MemberNotFound = code(0x80020003u);
inline constexpr int32_t Disp_E_ParamNotFound = code(0x80020004u);
inline constexpr int32_t Disp_E_TypeMismatch = code(0x80020005u);
inline constexpr int32_t Disp_E_Exception = code(0x80020009u);
inline constexpr int32_t Disp_E_Overflow = code(0x8002000Au);
inline constexpr int32_t Disp_E_BadIndex = code(0x8002000Bu);
inline constexpr int32_t Disp_E_BadParamCount = code(0x8002000Eu);
inline constexpr int32_t Disp_E_BadVarType = code(0x80020008u);
inline constexpr int32_t Disp_E_ArrayIsLocked = code(0x8002000Du);
inline constexpr int32_t Mk_E_Unavailable = code(0x800401E3u);
inline constexpr int32_t Co_E_ClassString = code(0x800401F3u);
inline constexpr int32_t RegDb_E_ClassNotReg = code(0x80040154u);
inline constexpr int32_t Rpc_E_CallRejected = code(0x80010001u);
inline constexpr int32_t Rpc_E_Disconnected = code(0x80010108u);
inline constexpr int32_t Rpc_E_ServerDied = code(0x80010007u);
inline constexpr int32_t Rpc_E_ServerCallRetryLater = code(0x8001010Au);
inline constexpr int32_t Rpc_E_Timeout = code(0x8001011Fu);
inline constexpr int32_t Rpc_E_CallCanceled = code(0x80010002u);
inline constexpr int32_t Co_E_ObjNotConnected = code(0x800401FDu);
inline constexpr int32_t Co_E_ServerStopping = code(0x80080008u);

} // namespace automation::hr
