#include "cadsim/model/XData.h"

namespace cadsim {

using automation::Variant;

XDataItem XDataItem::text(int16_t code, std::u16string value)
{
    return {code, Variant::bstr(std::move(value))};
}

XDataItem XDataItem::int16(int16_t code, int16_t value)
{
    return {code, Variant::i2(value)};
}

XDataItem XDataItem::int32(int16_t code, int32_t value)
{
    return {code, Variant::i4(value)};
}

XDataItem XDataItem::real(int16_t code, double value)
{
    return {code, Variant::r8(value)};
}

XDataItem XDataItem::point(int16_t code, double x, double y, double z)
{
    return {code, Variant::array({Variant::r8(x), Variant::r8(y), Variant::r8(z)})};
}

} // namespace cadsim
