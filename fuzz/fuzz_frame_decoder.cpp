// Feeds arbitrary bytes to the frame decoder as one payload, the way a server
// takes whatever a peer sends. A FrameError, or an AutomationError for an
// object id the table does not hold, is the expected answer to garbage.
// What decodes must encode again, and decoding that encoding must give the
// same bytes once more: the codec may not lose or invent anything.
#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/remote/FrameCodec.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <span>

using namespace automation;
using namespace automation::remote;

namespace {

class Stub : public Dispatch {
public:
    Variant invoke(std::u16string_view, InvokeKind, Args) override { return {}; }
};

// Holds objects 1 to 16, like a session's table; other ids are unknown.
class Table : public ObjectMarshal {
public:
    uint64_t exportObject(const DispatchRef& object) override
    {
        for (const auto& [id, held] : objects)
            if (held == object)
                return id;
        std::abort(); // only decoded objects are ever encoded here
    }
    Variant importObject(uint64_t id) override
    {
        if (id > 16)
            throw AutomationError(hr::Rpc_E_Disconnected, u"unknown object");
        auto& slot = objects[id];
        if (!slot)
            slot = std::make_shared<Stub>();
        return Variant::dispatch(slot);
    }
    std::map<uint64_t, DispatchRef> objects;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Table table;
    Message message;
    try {
        message = decodePayload(std::span(data, size), table);
    } catch (const FrameError&) {
        return 0;
    } catch (const CallFailure&) {
        return 0;
    }
    const std::vector<uint8_t> first = encodeFrame(message, table);
    const Message again = decodePayload(std::span(first).subspan(frameHeaderSize), table);
    if (encodeFrame(again, table) != first)
        std::abort();
    return 0;
}
