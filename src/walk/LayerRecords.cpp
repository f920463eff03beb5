#include "walk/LayerRecords.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "walk/RangeBudget.h"

namespace walk {

using automation::Variant;

LayerChunk readLayers(const Variant& layers, int32_t first, int32_t count)
{
    LayerChunk chunk;
    const RangeBudget budget(first, count);
    size_t bytes = 0;
    int32_t i = first;
    while (i < budget.end() && bytes < answerByteBudget) {
        try {
            const Variant layer = automation::call(layers, u"Item", Variant::i4(i));
            LayerRecord record;
            record.name = automation::get(layer, u"Name").toBStr();
            record.lock = automation::get(layer, u"Lock").toBool();
            record.freeze = automation::get(layer, u"Freeze").toBool();
            record.on = automation::get(layer, u"LayerOn").toBool();
            bytes += 2 * record.name.size() + 16;
            chunk.records.push_back(std::move(record));
        } catch (const automation::AutomationError& e) {
            chunk.failure = ItemFailure{e.code(), e.source(), e.description()};
            break;
        }
        ++i;
        if (budget.spent())
            break;
    }
    chunk.next = i;
    return chunk;
}

} // namespace walk
