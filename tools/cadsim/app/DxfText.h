#pragma once

#include "cadsim/app/DxfCodePage.h"

#include <string>
#include <string_view>

namespace cadsim {

// How the texts of a DXF file are encoded. Up to the 2004 format a CAD writes
// them in the drawing's code page ($DWGCODEPAGE), with characters outside it
// as \U+XXXX escapes; from the 2007 format ($ACADVER AC1021) on, in UTF-8.
struct DxfEncoding {
    enum class Kind { CodePage, Utf8, Unknown };
    Kind kind = Kind::Unknown; // Unknown: a file without a header
    const CodePage* codePage = &defaultCodePage();
};

// True for the formats that store their texts in UTF-8.
bool storesUtf8(std::string_view acadVersion);

// A text of the file, decoded and with its \U+XXXX escapes resolved. A file
// without a header is taken as UTF-8 where its bytes are valid UTF-8, and in
// the code page otherwise.
std::u16string decodeDxfText(std::string_view bytes, const DxfEncoding& encoding);

} // namespace cadsim
