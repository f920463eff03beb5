#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

// The test server's reading and writing of VARIANTs, on the raw COM calls
// alone, so that the server checks the automation layer's conversions
// instead of sharing them.

// The raw shape of a VARIANT: "I2:5", "REF(BSTR:\"a\")",
// "ARRAY VARIANT[1..2](I4:1,R8:2.5)". Text outside ASCII as \uXXXX.
std::wstring describe(const VARIANT& value);

// swprintf into a short text (numbers, "row,column" keys).
std::wstring formatted(const wchar_t* format, ...);

// A copy of `in` with any VT_BYREF taken away.
HRESULT valueOf(const VARIANT& in, VARIANT& out);
// `in` converted as COM converts it to VT_BSTR or VT_I4.
HRESULT textOf(const VARIANT& in, std::wstring& out);
HRESULT integerOf(const VARIANT& in, LONG& out);
