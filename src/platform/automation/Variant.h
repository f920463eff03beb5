#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace automation {

class Dispatch;
class Variant;

// A counted reference to an automation object. Copying a Variant that holds
// one adds a reference; the last copy to go releases the object.
using DispatchRef = std::shared_ptr<Dispatch>;

// The value tags of an OLE VARIANT that this system meets. The tag is never
// lost in a conversion or a copy: a 16-bit 10 stays apart from a 32-bit 10.
enum class VarType : uint8_t { Empty, Null, I2, I4, I8, R8, Bool, BStr, Array, Dispatch, Error };

const char* typeName(VarType type);

// A one-dimensional SAFEARRAY of VARIANTs with its lower bound.
struct SafeArray {
    int32_t lowerBound = 0;
    std::vector<Variant> elements;

    int32_t upperBound() const; // defined below, where Variant is complete (clang needs it)
    bool operator==(const SafeArray& other) const;
};

class Variant {
public:
    Variant() = default; // Empty

    static Variant null();
    static Variant i2(int16_t value);
    static Variant i4(int32_t value);
    static Variant i8(int64_t value);
    static Variant r8(double value);
    static Variant boolean(bool value);
    static Variant bstr(std::u16string value);
    static Variant array(std::vector<Variant> elements, int32_t lowerBound = 0);
    static Variant fromArray(SafeArray array);
    static Variant dispatch(DispatchRef object);
    static Variant error(int32_t scode);
    // An omitted optional argument: VT_ERROR carrying DISP_E_PARAMNOTFOUND.
    static Variant omitted();

    VarType type() const { return static_cast<VarType>(m_value.index()); }
    bool isEmpty() const { return type() == VarType::Empty; }
    bool isNull() const { return type() == VarType::Null; }
    bool isArray() const { return type() == VarType::Array; }
    bool isDispatch() const { return type() == VarType::Dispatch; }
    bool isOmitted() const;

    // Conversions by OLE's rules (VariantChangeType): integer ranges checked
    // (DISP_E_OVERFLOW), doubles rounded half to even, strings parsed, Empty as
    // zero or the empty string, Null and objects refused (DISP_E_TYPEMISMATCH).
    int16_t toI2() const;
    int32_t toI4() const;
    int64_t toI8() const;
    double toR8() const;
    bool toBool() const;
    std::u16string toBStr() const;
    // The object held; DISP_E_TYPEMISMATCH for anything else.
    const DispatchRef& toDispatch() const;
    int32_t errorCode() const;

    // Array access. The bounds are those of the array; an index outside them
    // fails with DISP_E_BADINDEX, and a value that is no array with
    // DISP_E_TYPEMISMATCH.
    const SafeArray& toArray() const;
    SafeArray& toArray();
    int32_t lowerBound() const { return toArray().lowerBound; }
    int32_t upperBound() const { return toArray().upperBound(); }
    const Variant& at(int32_t index) const;

    // Structural equality: same tag and same value (objects by identity).
    bool operator==(const Variant& other) const;

    // Releases whatever is held and leaves Empty (VariantClear).
    void clear() { m_value = std::monostate{}; }

private:
    struct NullTag {
        bool operator==(const NullTag&) const = default;
    };
    struct ErrorTag {
        int32_t scode;
        bool operator==(const ErrorTag&) const = default;
    };
    // Alternative order is the VarType order.
    using Storage = std::variant<std::monostate, NullTag, int16_t, int32_t, int64_t, double, bool,
                                 std::u16string, SafeArray, DispatchRef, ErrorTag>;
    Storage m_value;

    // A Variant holding exactly a T: no conversion between the alternatives
    // (a bool is never taken for an integer, nor the reverse).
    template <typename T, typename Value>
    static Variant holding(Value&& value)
    {
        Variant v;
        v.m_value.emplace<T>(std::forward<Value>(value));
        return v;
    }

    double numericValue(VarType target) const;
    template <typename Int>
    Int toWhole(VarType target) const;
};

// In 64 bits: an array whose last index is INT32_MAX would overflow on the way.
inline int32_t SafeArray::upperBound() const
{
    return static_cast<int32_t>(int64_t(lowerBound) + static_cast<int64_t>(elements.size()) - 1);
}

// Numeric equality of two automation values, as VarCmp compares them: both
// are converted to a common numeric type; a value that is not numeric fails.
bool numericEquals(const Variant& left, const Variant& right);

// Rounds half to even, as OLE converts a double to an integer.
double roundHalfEven(double value);

// "Automation arithmetic" on integers: the product or sum of two values keeps
// the wider integer type (I2 -> I4 -> I8) instead of overflowing.
Variant multiply(const Variant& left, const Variant& right);
Variant add(const Variant& left, const Variant& right);

} // namespace automation
