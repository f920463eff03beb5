#pragma once

#include "platform/automation/Variant.h"

#include <compare>
#include <cstdint>
#include <map>
#include <string_view>

namespace sheet {

// A cell of a worksheet, 1-based as the spreadsheet's Cells(row, column) counts.
struct CellAddress {
    int32_t row = 1;
    int32_t column = 1;
    auto operator<=>(const CellAddress&) const = default;
};

// The cells of one worksheet with the values exactly as they were put: the
// automation tag stays, so a 32-bit integer is told apart from a double.
// Only strings, integers, doubles and Booleans are kept.
using CellMap = std::map<CellAddress, automation::Variant>;

// The spreadsheet's own limits; a cell outside them is refused.
inline constexpr int32_t MaxRows = 1048576;
inline constexpr int32_t MaxColumns = 16384;
inline constexpr int32_t MaxTextLength = 32767;

// The name of a new workbook's only worksheet, as the Russian edition names it.
inline constexpr std::u16string_view SheetName = u"Лист1";

} // namespace sheet
