#pragma once

#include "platform/automation/Variant.h"
#include "walk/EntityReads.h"
#include "walk/LayerRecords.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class TAbstrAcadObj;

// The walk of model space for one command, where it costs least. Inside the
// CAD: the walker, which the CAD loads into its own process
// (GetInterfaceObject) and which answers thousands of entities in one call;
// it is asked for only where the CAD loads it without asking its user
// (TAbstrAcadObj::MayLoadCodeFrom), and taken only when it is of this
// program's own version. Otherwise here, a call to the CAD at a time. The two
// make the same decisions (walk/ModelSpaceWalk.h) and give the same rows.
//
// The walk goes in chunks (ChunkPacer); after each, the progress window shows
// the stage text with how far the walk got, and the user's "Отмена" ends the
// command (progress::Cancelled). A failure of Item is raised as the CAD
// reported it, naming Item; one entity's failure skips the entity.
class ModelSpaceWalker {
public:
    explicit ModelSpaceWalker(TAbstrAcadObj& cad);
    // The walk of another drawing's model space, by the connection's walker.
    ModelSpaceWalker(automation::Variant modelSpace, automation::Variant walker);

    // Whether the walk runs inside the CAD.
    bool inCad() const { return !m_walker.isEmpty(); }

    // The pipes of model-space indexes [0, count), in model-space order.
    void collectPipes(int32_t count, const QString& stage, const std::function<void(walk::PipeRow&&)>& take);
    // The handles of the entities of [0, count) whose ObjectID is `objectId`,
    // each handed over as its chunk ends.
    void findEntities(int32_t count, const automation::Variant& objectId, const QString& stage,
                      const std::function<void(const std::u16string& handle)>& take);

private:
    template <typename Chunk, typename Walk, typename Take>
    void walkInChunks(int32_t count, const QString& stage, Walk&& walkRange, Take&& take);

    automation::Variant m_modelSpace;
    automation::Variant m_walker; // Empty: the walk runs here
};

// The walker of this program's version from the CAD, or Empty where the CAD
// will not load it without a question, has no such class, cannot make it
// (another bitness, security settings) or answers another version. Asked
// once per connection, as it attaches (TAbstrAcadObj::walker).
automation::Variant WalkerInCad(TAbstrAcadObj& cad);

// The records of layer collection indexes [0, count), each handed over with
// its index: by `walker` where the CAD loaded it, a few exchanges whatever
// the count; call by call where `walker` is Empty. The first failure the CAD
// answers ends the read, as it came.
void ReadLayerRecords(const automation::Variant& walker, const automation::Variant& layers, int32_t count,
                      const std::function<void(int32_t index, walk::LayerRecord&& record)>& take);
