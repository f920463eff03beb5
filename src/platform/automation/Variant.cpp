#include "platform/automation/Variant.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Utf8.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace automation {

namespace {

[[noreturn]] void typeMismatch() { throw AutomationError(hr::Disp_E_TypeMismatch, {}); }
[[noreturn]] void overflow() { throw AutomationError(hr::Disp_E_Overflow, {}); }

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Parses a number the way VarR8FromStr does for the invariant locale: blanks
// around it allowed, a sign, digits with an optional fraction and exponent.
double parseNumber(const std::u16string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    if (begin == end)
        typeMismatch();
    std::string ascii;
    ascii.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        const char16_t c = text[i];
        const bool allowed = (c >= u'0' && c <= u'9') || c == u'.' || c == u'+' || c == u'-'
                             || c == u'e' || c == u'E';
        if (!allowed)
            typeMismatch();
        ascii += static_cast<char>(c);
    }
    char* stop = nullptr;
    const double value = std::strtod(ascii.c_str(), &stop);
    if (stop != ascii.c_str() + ascii.size() || std::isnan(value))
        typeMismatch();
    if (std::isinf(value))
        overflow();
    return value;
}

template <typename Int>
Int toInteger(double value)
{
    if (std::isnan(value))
        overflow();
    const double rounded = roundHalfEven(value);
    // Compare in double: the bounds of the narrower types are exact there, and
    // for int64 the upper bound 2^63 itself is already out of range.
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min())
        || rounded >= -static_cast<double>(std::numeric_limits<Int>::min()))
        overflow();
    return static_cast<Int>(rounded);
}

template <typename Int>
Int narrow(int64_t value)
{
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        overflow();
    return static_cast<Int>(value);
}

std::u16string formatDouble(double value)
{
    // VB-style text: up to 15 significant digits, no trailing zeros.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    return fromUtf8(buffer);
}

bool isIntegerType(VarType t) { return t == VarType::I2 || t == VarType::I4 || t == VarType::I8; }

} // namespace

const char* typeName(VarType type)
{
    switch (type) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::I2: return "I2";
    case VarType::I4: return "I4";
    case VarType::I8: return "I8";
    case VarType::R8: return "R8";
    case VarType::Bool: return "Bool";
    case VarType::BStr: return "BStr";
    case VarType::Array: return "Array";
    case VarType::Dispatch: return "Dispatch";
    case VarType::Error: return "Error";
    }
    return "?";
}

bool SafeArray::operator==(const SafeArray& other) const
{
    return lowerBound == other.lowerBound && elements == other.elements;
}

Variant Variant::null() { return holding<NullTag>(NullTag{}); }

Variant Variant::i2(int16_t value) { return holding<int16_t>(value); }

Variant Variant::i4(int32_t value) { return holding<int32_t>(value); }

Variant Variant::i8(int64_t value) { return holding<int64_t>(value); }

Variant Variant::r8(double value) { return holding<double>(value); }

Variant Variant::boolean(bool value) { return holding<bool>(value); }

Variant Variant::bstr(std::u16string value) { return holding<std::u16string>(std::move(value)); }

Variant Variant::array(std::vector<Variant> elements, int32_t lowerBound)
{
    return fromArray(SafeArray{lowerBound, std::move(elements)});
}

Variant Variant::fromArray(SafeArray array) { return holding<SafeArray>(std::move(array)); }

Variant Variant::dispatch(DispatchRef object)
{
    // A null reference is Empty, as VT_DISPATCH with no object means nothing.
    return object ? holding<DispatchRef>(std::move(object)) : Variant();
}

Variant Variant::error(int32_t scode) { return holding<ErrorTag>(ErrorTag{scode}); }

Variant Variant::omitted() { return error(hr::Disp_E_ParamNotFound); }

bool Variant::isOmitted() const
{
    return type() == VarType::Error && std::get<ErrorTag>(m_value).scode == hr::Disp_E_ParamNotFound;
}

double Variant::numericValue(VarType target) const
{
    switch (type()) {
    case VarType::Empty: return 0.0;
    case VarType::I2: return std::get<int16_t>(m_value);
    case VarType::I4: return std::get<int32_t>(m_value);
    case VarType::I8: return static_cast<double>(std::get<int64_t>(m_value));
    case VarType::R8: return std::get<double>(m_value);
    case VarType::Bool: return std::get<bool>(m_value) ? -1.0 : 0.0; // VARIANT_TRUE is -1
    case VarType::BStr: return parseNumber(std::get<std::u16string>(m_value));
    default: break;
    }
    (void)target;
    typeMismatch();
}

// Whole numbers convert exactly where they fit (overflow otherwise); any
// other value goes through its numeric value, rounded half to even.
template <typename Int>
Int Variant::toWhole(VarType target) const
{
    switch (type()) {
    case VarType::I2: return narrow<Int>(std::get<int16_t>(m_value));
    case VarType::I4: return narrow<Int>(std::get<int32_t>(m_value));
    case VarType::I8: return narrow<Int>(std::get<int64_t>(m_value));
    default: return toInteger<Int>(numericValue(target));
    }
}

int16_t Variant::toI2() const { return toWhole<int16_t>(VarType::I2); }

int32_t Variant::toI4() const { return toWhole<int32_t>(VarType::I4); }

int64_t Variant::toI8() const { return toWhole<int64_t>(VarType::I8); }

double Variant::toR8() const { return numericValue(VarType::R8); }

bool Variant::toBool() const
{
    switch (type()) {
    case VarType::Bool: return std::get<bool>(m_value);
    case VarType::BStr: {
        const auto& text = std::get<std::u16string>(m_value);
        if (text == u"True" || text == u"true" || text == u"TRUE" || text == u"#TRUE#")
            return true;
        if (text == u"False" || text == u"false" || text == u"FALSE" || text == u"#FALSE#")
            return false;
        return parseNumber(text) != 0.0;
    }
    default: return numericValue(VarType::Bool) != 0.0;
    }
}

std::u16string Variant::toBStr() const
{
    switch (type()) {
    case VarType::Empty: return {};
    case VarType::BStr: return std::get<std::u16string>(m_value);
    case VarType::I2: return fromUtf8(std::to_string(std::get<int16_t>(m_value)));
    case VarType::I4: return fromUtf8(std::to_string(std::get<int32_t>(m_value)));
    case VarType::I8: return fromUtf8(std::to_string(std::get<int64_t>(m_value)));
    case VarType::R8: return formatDouble(std::get<double>(m_value));
    case VarType::Bool: return std::get<bool>(m_value) ? u"True" : u"False";
    default: typeMismatch();
    }
}

const DispatchRef& Variant::toDispatch() const
{
    if (type() != VarType::Dispatch)
        typeMismatch();
    return std::get<DispatchRef>(m_value);
}

int32_t Variant::errorCode() const
{
    if (type() != VarType::Error)
        typeMismatch();
    return std::get<ErrorTag>(m_value).scode;
}

const SafeArray& Variant::toArray() const
{
    if (type() != VarType::Array)
        typeMismatch();
    return std::get<SafeArray>(m_value);
}

SafeArray& Variant::toArray()
{
    if (type() != VarType::Array)
        typeMismatch();
    return std::get<SafeArray>(m_value);
}

const Variant& Variant::at(int32_t index) const
{
    const SafeArray& a = toArray();
    const int64_t offset = static_cast<int64_t>(index) - a.lowerBound;
    if (offset < 0 || offset >= static_cast<int64_t>(a.elements.size()))
        throw AutomationError(hr::Disp_E_BadIndex, {});
    return a.elements[static_cast<size_t>(offset)];
}

bool Variant::operator==(const Variant& other) const { return m_value == other.m_value; }

bool numericEquals(const Variant& left, const Variant& right)
{
    if (isIntegerType(left.type()) && isIntegerType(right.type()))
        return left.toI8() == right.toI8();
    return left.toR8() == right.toR8();
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return floor;
    if (diff > 0.5)
        return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

namespace {

// Automation arithmetic on integers: the result keeps the narrowest integer
// type it fits (I4, then I8) and becomes a double only beyond 64 bits, as
// VarAdd and VarMul widen. The 64-bit overflow is checked before the
// operation, since signed overflow itself is undefined.
constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t Int64Min = std::numeric_limits<int64_t>::min();

bool addOverflows(int64_t a, int64_t b)
{
    return b > 0 ? a > Int64Max - b : a < Int64Min - b;
}

bool multiplyOverflows(int64_t a, int64_t b)
{
    if (a == 0 || b == 0)
        return false;
    if (a > 0)
        return b > 0 ? a > Int64Max / b : b < Int64Min / a;
    return b > 0 ? a < Int64Min / b : a < Int64Max / b;
}

Variant integerResult(int64_t value)
{
    if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max())
        return Variant::i4(static_cast<int32_t>(value));
    return Variant::i8(value);
}

bool isIntegral(const Variant& v)
{
    return isIntegerType(v.type()) || v.type() == VarType::Bool || v.type() == VarType::Empty;
}

template <class Overflows, class IntOp, class RealOp>
Variant arithmetic(const Variant& left, const Variant& right, Overflows overflows, IntOp intOp, RealOp realOp)
{
    if (left.isNull() || right.isNull())
        return Variant::null();
    if (isIntegral(left) && isIntegral(right)) {
        const int64_t a = left.toI8();
        const int64_t b = right.toI8();
        if (!overflows(a, b))
            return integerResult(intOp(a, b));
    }
    return Variant::r8(realOp(left.toR8(), right.toR8()));
}

} // namespace

Variant multiply(const Variant& left, const Variant& right)
{
    return arithmetic(left, right, multiplyOverflows, [](int64_t a, int64_t b) { return a * b; },
                      [](double a, double b) { return a * b; });
}

Variant add(const Variant& left, const Variant& right)
{
    return arithmetic(left, right, addOverflows, [](int64_t a, int64_t b) { return a + b; },
                      [](double a, double b) { return a + b; });
}

} // namespace automation
