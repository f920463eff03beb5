// Feeds arbitrary command-line texts to the simulator, the way a program's
// SendCommand does: the parser must recognise only the two expressions it
// knows and take everything else as input it does not act on, and a load
// must look the file up without touching the disk. An AutomationError (a
// load that finds no file) is an expected answer; anything else that escapes
// is a fault.
//
// Input: the first byte chooses how the rest becomes text (even: UTF-8, as a
// program's 8-bit command text reaches the CAD; odd: UTF-16 code units as
// they come, unpaired surrogates included).
#include "cadsim/model/CommandLine.h"
#include "cadsim/model/Drawing.h"
#include "cadsim/model/Simulator.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Utf8.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <variant>

using namespace automation;

namespace {

std::u16string textOf(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    if ((data[0] & 1) == 0)
        return fromUtf8(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    std::u16string text((size - 1) / 2, u'\0');
    std::memcpy(text.data(), data + 1, text.size() * 2);
    return text;
}

cadsim::Drawing smallDrawing()
{
    cadsim::Drawing drawing(u"fuzz.dxf");
    drawing.addPipe(u"Трубы", 1000, 25, 20);
    drawing.addSolid(u"0");
    drawing.addLine(u"0");
    return drawing;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string text = textOf(data, size);

    // What is recognised was in the text: a name or handle never outgrows it.
    const cadsim::CommandExpression expression = cadsim::parseCommand(text);
    if (const auto* load = std::get_if<cadsim::LoadExpression>(&expression); load && load->fileName.size() > text.size())
        std::abort();
    if (const auto* select = std::get_if<cadsim::SelectExpression>(&expression);
        select && select->handle.size() > text.size())
        std::abort();

    cadsim::Simulator sim(smallDrawing());
    sim.setSupportPath(u"C:\\Support;;/opt/cad/support;relative");
    // Every third name "exists": enough to reach both ends of the search.
    sim.setFileExists([](const std::u16string& path) { return path.size() % 3 == 0; });
    const Variant document = get(sim.applicationVariant(), u"ActiveDocument");
    try {
        call(document, u"SendCommand", Variant::bstr(text));
    } catch (const CallFailure&) {
    }
    (void)sim.selectedHandles();
    return 0;
}
