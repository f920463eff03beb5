#include "cadsim/model/EntityTypes.h"

#include "cadsim/model/Text.h"

#include <array>
#include <utility>

namespace cadsim {

namespace {

struct NameCode {
    std::u16string_view name;
    int32_t code;
};

// A DXF POLYLINE may be a 2D or 3D polyline or a mesh; the common 2D form is
// taken here.
constexpr std::array<NameCode, 21> table{{
    {u"3DFACE", entity_type::Face3d},
    {u"3DSOLID", entity_type::Solid3d},
    {u"ARC", entity_type::Arc},
    {u"ATTDEF", entity_type::Attribute},
    {u"INSERT", entity_type::BlockReference},
    {u"CIRCLE", entity_type::Circle},
    {u"DIMENSION", entity_type::DimRotated},
    {u"ELLIPSE", entity_type::Ellipse},
    {u"HATCH", entity_type::Hatch},
    {u"LEADER", entity_type::Leader},
    {u"LINE", entity_type::Line},
    {u"MTEXT", entity_type::MText},
    {u"POINT", entity_type::Point},
    {u"POLYLINE", entity_type::Polyline},
    {u"LWPOLYLINE", entity_type::LightweightPolyline},
    {u"REGION", entity_type::Region},
    {u"SOLID", entity_type::Solid},
    {u"SPLINE", entity_type::Spline},
    {u"TEXT", entity_type::Text},
    {u"VIEWPORT", entity_type::Viewport},
    {u"XLINE", entity_type::XLine},
}};

} // namespace

int32_t entityTypeForDxfName(std::u16string_view dxfName)
{
    for (const NameCode& entry : table)
        if (equalsIgnoringCase(entry.name, dxfName))
            return entry.code;
    return 0;
}

} // namespace cadsim
