#pragma once

#include "cadsim/app/DxfError.h"

#include "cadsim/model/Drawing.h"

#include <string>
#include <string_view>

namespace cadsim {

// Reads an ASCII DXF file as a CAD program writes it into a Drawing: the
// LAYER table (name; frozen, locked; off when the colour is negative) and the
// model-space entities of the ENTITIES section (type, handle, layer) with
// their extended data, per registered application, typed as the CAD hands
// them out. Paper-space entities, the BLOCKS section, other tables and
// sections, and every group the simulator has no use for (ACIS data of
// solids, subclass markers, reactors) are passed over. ObjectIDs are left to
// the drawing, which numbers the entities in order.
//
// A file that does not follow the group structure (an odd number of lines, a
// group code that is not a number, a value that is not the number its group
// calls for, a duplicate handle) is a DxfError naming the line.
//
// Texts are decoded in the code page the header names ($DWGCODEPAGE), or in
// UTF-8 from the 2007 format on. A code page that is unknown, or missing
// where the texts need one, is taken as ANSI_1252, and `assumption` (when
// given) receives a sentence that says so; it stays untouched otherwise.
Drawing readDxf(std::string_view content, std::u16string name = {}, std::string* assumption = nullptr);

// The same from a file; the drawing is named after the file. A file that
// cannot be read is a DxfError with line 0.
Drawing readDxfFile(const std::string& path, std::string* assumption = nullptr);
// The same from a path in UTF-16, as the CAD is given one (on Windows any
// name the file system holds).
Drawing readDxfFile(const std::u16string& path, std::string* assumption = nullptr);

} // namespace cadsim
