// Feeds arbitrary bytes to the DXF reader. A DxfError is the expected answer
// to a malformed file; anything else that escapes (another exception, a
// crash, a sanitizer report) is a fault.
#include "cadsim/app/DxfReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const cadsim::Drawing drawing =
            cadsim::readDxf(std::string_view(reinterpret_cast<const char*>(data), size), u"fuzz.dxf");
        (void)drawing.entities().size();
    } catch (const cadsim::DxfError&) {
    }
    return 0;
}
