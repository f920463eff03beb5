#pragma once

#include "platform/automation/AsciiCase.h"

#include "platform/automation/Variant.h"

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace automation {

// How a member is invoked, as IDispatch::Invoke's flags say it.
enum class InvokeKind : uint8_t {
    Method,      // DISPATCH_METHOD
    PropertyGet, // DISPATCH_PROPERTYGET
    MethodOrGet, // DISPATCH_METHOD | DISPATCH_PROPERTYGET: a read, or a call whose result is used
    PropertyPut, // DISPATCH_PROPERTYPUT; the value is the last argument
};

const char* kindName(InvokeKind kind);

// One argument of a call: a value, or a reference to the caller's Variant
// (VT_BYREF | VT_VARIANT), which the call may write to.
class Arg {
public:
    Arg(Variant value) : m_value(std::move(value)) {} // NOLINT: implicit by design
    static Arg ref(Variant& target)
    {
        Arg a;
        a.m_ref = &target;
        return a;
    }

    bool isByRef() const { return m_ref != nullptr; }
    const Variant& value() const { return m_ref ? *m_ref : m_value; }
    // The slot a server writes an output to; for a by-value argument the
    // write goes to the call's own copy and is dropped.
    Variant& slot() { return m_ref ? *m_ref : m_value; }

private:
    Arg() = default;
    Variant m_value;
    Variant* m_ref = nullptr;
};

using Args = std::span<Arg>;

// An automation object reached by late binding. Arguments come in source
// order; for PropertyPut the value to write is the last one. Every failure is
// a CallFailure: an AutomationError when the object answered with one, a
// LinkFailure when no answer came (AutomationError.h).
class Dispatch {
public:
    virtual ~Dispatch() = default;
    virtual Variant invoke(std::u16string_view member, InvokeKind kind, Args args) = 0;
    // Calls a member by its dispatch identifier, for a server that knows the
    // member under a name the caller does not (a type library of another
    // release). An object reached by name alone fails DISP_E_MEMBERNOTFOUND.
    virtual Variant invokeById(int32_t dispatchId, InvokeKind kind, Args args);
};

// Calls a member of the object held by `object` (DISP_E_TYPEMISMATCH when it
// holds none). A CallFailure leaving the call names the member, and keeps its kind.
Variant invoke(const Variant& object, std::u16string_view member, InvokeKind kind, Args args);

// The same by dispatch identifier; the error names the member "DISPID n".
Variant invokeById(const Variant& object, int32_t dispatchId, InvokeKind kind, Args args);

// get: a read or an argument-less call whose result is used (method-or-get).
// call: a method. put: a property put of the last argument.
template <typename... A>
Variant get(const Variant& object, std::u16string_view member, A&&... args)
{
    Arg list[] = {Arg(Variant()), Arg(std::forward<A>(args))...};
    return invoke(object, member, InvokeKind::MethodOrGet, Args(list).subspan(1));
}

template <typename... A>
Variant call(const Variant& object, std::u16string_view member, A&&... args)
{
    Arg list[] = {Arg(Variant()), Arg(std::forward<A>(args))...};
    return invoke(object, member, InvokeKind::Method, Args(list).subspan(1));
}

template <typename... A>
void put(const Variant& object, std::u16string_view member, A&&... args)
{
    static_assert(sizeof...(A) >= 1, "a put needs the value to write");
    Arg list[] = {Arg(std::forward<A>(args))...};
    invoke(object, member, InvokeKind::PropertyPut, Args(list));
}

// Case-insensitive (ASCII) comparison, as IDispatch::GetIDsOfNames matches names.
inline bool sameMemberName(std::u16string_view a, std::u16string_view b) { return equalIgnoringAsciiCase(a, b); }

} // namespace automation
