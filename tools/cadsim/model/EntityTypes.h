#pragma once

#include <cstdint>
#include <string_view>

namespace cadsim {

// EntityType codes as the CAD's automation model reports them.
namespace entity_type {
inline constexpr int32_t Face3d = 1;
inline constexpr int32_t Polyline3d = 2;
inline constexpr int32_t Solid3d = 3;
inline constexpr int32_t Arc = 4;
inline constexpr int32_t Attribute = 5;
inline constexpr int32_t BlockReference = 7;
inline constexpr int32_t Circle = 8;
inline constexpr int32_t DimRotated = 15;
inline constexpr int32_t Ellipse = 16;
inline constexpr int32_t Hatch = 17;
inline constexpr int32_t Leader = 18;
inline constexpr int32_t Line = 19;
inline constexpr int32_t MText = 21;
inline constexpr int32_t Point = 22;
inline constexpr int32_t Polyline = 23;
inline constexpr int32_t LightweightPolyline = 24;
inline constexpr int32_t Region = 28;
inline constexpr int32_t Solid = 30;
inline constexpr int32_t Spline = 31;
inline constexpr int32_t Text = 32;
inline constexpr int32_t Viewport = 35;
inline constexpr int32_t XLine = 36;
} // namespace entity_type

// The EntityType code for a DXF entity name (case-insensitive), or 0 for a
// name the table does not know.
int32_t entityTypeForDxfName(std::u16string_view dxfName);

} // namespace cadsim
