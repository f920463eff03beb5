#include "cadsim/app/DxfCodePage.h"

#include <windows.h>

namespace cadsim {

// Windows converts every code page a DXF can name itself.
std::u16string decodeCodePage(std::string_view bytes, const CodePage& page)
{
    std::u16string out;
    if (bytes.empty())
        return out;
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(page.windowsNumber, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) {
        for (char b : bytes)
            out += static_cast<char16_t>(static_cast<unsigned char>(b));
        return out;
    }
    out.resize(static_cast<size_t>(needed));
    MultiByteToWideChar(page.windowsNumber, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(out.data()), needed);
    return out;
}

} // namespace cadsim
