#pragma once

#include "platform/automation/Variant.h"
#include "walk/EntityReads.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The walk over a range of model space that the harvest and the search of
// "Выделить" make, entity by entity. It runs where it is cheapest: inside the
// CAD's own process (the walker the CAD loads), or, where the CAD will not
// load it, in the program's process, a call to the CAD at a time. Either way
// the same decisions are made here, in the same calls and order:
//   Item; EntityType, GetXData (the kind); Layer, ObjectID, Handle, GetXData
//   (the sizes) for a pipe;
//   Item; ObjectID, and Handle for a match, for a search.
// A failure of Item ends the range with that failure; an entity that answers
// with an error (AutomationError) is skipped. Anything else (the link to the
// CAD failed, the user stopped the command) ends the walk as it is raised.
namespace walk {

// Why Item failed: the CAD's own error, carried to whoever shows it.
struct ItemFailure {
    int32_t code = 0;
    std::u16string source;
    std::u16string description;

    bool operator==(const ItemFailure&) const = default;
};

// What one range gave. `next` is the first index not walked: the end of the
// range, the index whose Item failed, or earlier when the answer was full
// (answerByteBudget) and the caller is to go on from there.
struct PipeChunk {
    int32_t next = 0;
    std::optional<ItemFailure> failure;
    std::vector<PipeRow> rows;
};

struct MatchChunk {
    int32_t next = 0;
    std::optional<ItemFailure> failure;
    std::vector<std::u16string> handles; // of the entities with the ObjectID, in model-space order
};

// An answer is kept well below what one message between two processes may
// carry, and below what a guest in another program's process should hold,
// whatever lengths the entities' texts have.
inline constexpr size_t answerByteBudget = 256 * 1024;
// A search answers at most this many matches at once, for the same reason.
inline constexpr size_t maxMatchesPerAnswer = answerByteBudget / 64;
// Indexes are 32-bit; a range is taken as far as it fits.
inline constexpr int32_t maxRange = 1 << 20;
// A range also ends once it has taken this long, whatever is left of it:
// inside the CAD the walk holds the CAD's own thread, and its user waits for
// it; the caller asks again from `next`, and meanwhile shows progress and
// hears a stop.
inline constexpr std::chrono::milliseconds chunkTimeBudget{200};

// The pipes of model-space indexes [first, first + count).
PipeChunk collectPipes(const automation::Variant& modelSpace, int32_t first, int32_t count);

// The entities of model-space indexes [first, first + count) whose ObjectID
// equals `objectId` numerically (as VarCmp compares), by their handles. An
// entity whose handle is not a handle (isEntityHandle) is no match: its
// handle would go between quotes into a command line.
MatchChunk findEntities(const automation::Variant& modelSpace, int32_t first, int32_t count,
                        const automation::Variant& objectId);

// The size of a row in an answer, as answerByteBudget counts it.
size_t answerBytes(const PipeRow& row);

} // namespace walk
