#pragma once

#include "ComTestObject.h"

#include <windows.h>

#include <oaidl.h>

// One call of a member: what Invoke was given, the arguments in source
// order, and the checks the members make the same way.
struct ComTestCall {
    ComTestObject& object;
    ComTestState& state;
    WORD flags;
    DISPPARAMS& params;
    VARIANT& result;
    EXCEPINFO& exception;
    UINT* argumentError;

    UINT count() const { return params.cArgs; }
    // Argument i in source order (rgvarg holds them in reverse).
    VARIANT& arg(UINT i) const { return params.rgvarg[params.cArgs - 1 - i]; }
    bool isPut() const { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    // A put names its value DISPID_PROPERTYPUT, and nothing else.
    bool putValueNamed() const
    {
        return params.cNamedArgs == 1 && params.rgdispidNamedArgs &&
               params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    }
    // Argument i has a type the member cannot take: its position goes back
    // as COM counts it, from the end.
    HRESULT mismatch(UINT i) const
    {
        if (argumentError)
            *argumentError = params.cArgs - 1 - i;
        return DISP_E_TYPEMISMATCH;
    }
};

// A member of the object: its dispatch identifier, the name GetIDsOfNames
// answers it for (in any case), and what a call of it does.
struct ComTestMember {
    DISPID id;
    const wchar_t* name;
    HRESULT (*run)(ComTestCall& call);
    // LastInvoke and NameLookups report on the calls: a call of them is not
    // recorded, so that asking leaves the answer as it was.
    bool reportsOnCalls = false;
};

// The member with that identifier or name, or nullptr.
const ComTestMember* findMember(DISPID id);
const ComTestMember* findMember(const wchar_t* name);
