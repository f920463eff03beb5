#pragma once

#include <string>
#include <string_view>

namespace cadsim {

// A code page that a DXF file can name in $DWGCODEPAGE, with the names the
// platform's converters know it by.
struct CodePage {
    std::string_view dxfName;   // "ANSI_1251", as the DXF names it
    std::string_view iconvName; // "CP1251", for glibc's iconv
    unsigned windowsNumber;     // 1251, for MultiByteToWideChar
};

// The code page a $DWGCODEPAGE value names (letter case aside), or nullptr
// for one no CAD writes.
const CodePage* findCodePage(std::string_view dwgCodePage);

// ANSI_1252: the code page of a drawing that names none or an unknown one.
const CodePage& defaultCodePage();

// Bytes in the code page, as UTF-16. A byte the code page leaves undefined
// passes through as the character of the same number, as Windows' own
// conversion passes the undefined bytes of its single-byte pages.
std::u16string decodeCodePage(std::string_view bytes, const CodePage& page);

} // namespace cadsim
