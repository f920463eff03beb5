#include "walk/ModelSpaceWalk.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"

#include <algorithm>

namespace walk {

using automation::Variant;

namespace {

// The last index of the range, as far as 32 bits and maxRange reach.
int32_t rangeEnd(int32_t first, int32_t count)
{
    if (first < 0 || count <= 0)
        return first;
    const int64_t end = int64_t(first) + std::min(count, maxRange);
    return int32_t(std::min<int64_t>(end, INT32_MAX));
}

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

// Whether the range has had its time; asked after each entity.
class ChunkClock {
public:
    bool spent() const { return std::chrono::steady_clock::now() >= m_end; }

private:
    std::chrono::steady_clock::time_point m_end = std::chrono::steady_clock::now() + chunkTimeBudget;
};

} // namespace

size_t answerBytes(const PipeRow& row)
{
    // Texts as UTF-16 with their lengths, four numbers, and the tags.
    return 2 * (row.layer.size() + row.handle.size()) + 64;
}

PipeChunk collectPipes(const Variant& modelSpace, int32_t first, int32_t count)
{
    PipeChunk chunk;
    const int32_t end = rangeEnd(first, count);
    const ChunkClock clock;
    size_t bytes = 0;
    int32_t i = first;
    while (i < end && bytes < answerByteBudget) {
        const std::optional<Variant> entity = item(modelSpace, i, chunk.failure);
        if (!entity)
            break;
        try {
            PipeRow row;
            if (readPipe(*entity, row)) {
                bytes += answerBytes(row);
                chunk.rows.push_back(std::move(row));
            }
        } catch (const automation::AutomationError&) {
            // The CAD could not tell whether the entity is a pipe: skipped.
        }
        ++i;
        if (clock.spent())
            break;
    }
    chunk.next = i;
    return chunk;
}

MatchChunk findEntities(const Variant& modelSpace, int32_t first, int32_t count, const Variant& objectId)
{
    MatchChunk chunk;
    const int32_t end = rangeEnd(first, count);
    const ChunkClock clock;
    int32_t i = first;
    while (i < end && chunk.handles.size() < maxMatchesPerAnswer) {
        const std::optional<Variant> entity = item(modelSpace, i, chunk.failure);
        if (!entity)
            break;
        // The whole range is walked, also past a match: several entities may
        // report the same ObjectID, and each gets its own selection.
        try {
            if (automation::numericEquals(automation::get(*entity, u"ObjectID"), objectId)) {
                std::u16string handle = automation::get(*entity, u"Handle").toBStr();
                if (isEntityHandle(handle))
                    chunk.handles.push_back(std::move(handle));
            }
        } catch (const automation::AutomationError&) {
            // An entity that cannot tell its ObjectID or handle is no match.
        }
        ++i;
        if (clock.spent())
            break;
    }
    chunk.next = i;
    return chunk;
}

} // namespace walk
