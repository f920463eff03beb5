#include "walk/ModelSpaceWalk.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "walk/RangeBudget.h"

#include <algorithm>

namespace walk {

using automation::Variant;

namespace {

// Item of model space, or the CAD's answer why not, which ends the range.
std::optional<Variant> item(const Variant& modelSpace, int32_t index, std::optional<ItemFailure>& failure)
{
    try {
        return automation::call(modelSpace, u"Item", Variant::i4(index));
    } catch (const automation::AutomationError& e) {
        failure = ItemFailure{e.code(), e.source(), e.description()};
    }
    return std::nullopt;
}

// Walks model space from `first` until the range, its time or the answer
// (`full`) is spent: Item of each index, then `visit` of the entity. An
// entity the CAD answers an error about (it cannot tell whether it is a
// pipe, or which ObjectID it has) is passed over; a failing Item ends the
// range with the CAD's failure. Anything else ends the walk as it is raised.
template <typename Chunk, typename Visit, typename Full>
void walkRange(const Variant& modelSpace, int32_t first, int32_t count, Chunk& chunk, Visit&& visit, Full&& full)
{
    const RangeBudget budget(first, count);
    int32_t i = first;
    while (i < budget.end() && !full()) {
        const std::optional<Variant> entity = item(modelSpace, i, chunk.failure);
        if (!entity)
            break;
        try {
            visit(*entity);
        } catch (const automation::AutomationError&) {
            // The entity could not say: passed over.
        }
        ++i;
        if (budget.spent())
            break;
    }
    chunk.next = i;
}

} // namespace

size_t answerBytes(const PipeRow& row)
{
    // Texts as UTF-16 with their lengths, four numbers, and the tags.
    return 2 * (row.layer.size() + row.handle.size()) + 64;
}

PipeChunk collectPipes(const Variant& modelSpace, int32_t first, int32_t count)
{
    PipeChunk chunk;
    size_t bytes = 0;
    walkRange(
        modelSpace, first, count, chunk,
        [&](const Variant& entity) {
            PipeRow row;
            if (readPipe(entity, row)) {
                bytes += answerBytes(row);
                chunk.rows.push_back(std::move(row));
            }
        },
        [&] { return bytes >= answerByteBudget; });
    return chunk;
}

MatchChunk findEntities(const Variant& modelSpace, int32_t first, int32_t count, const Variant& objectId)
{
    // The whole range is walked, also past a match: several entities may
    // report the same ObjectID, and the caller selects each in turn. Each
    // selection replaces the one before, so the last match stays selected.
    MatchChunk chunk;
    walkRange(
        modelSpace, first, count, chunk,
        [&](const Variant& entity) {
            if (!automation::numericEquals(automation::get(entity, u"ObjectID"), objectId))
                return;
            std::u16string handle = automation::get(entity, u"Handle").toBStr();
            if (isEntityHandle(handle))
                chunk.handles.push_back(std::move(handle));
        },
        [&] { return chunk.handles.size() >= maxMatchesPerAnswer; });
    return chunk;
}

} // namespace walk
