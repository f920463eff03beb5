#pragma once

#include "platform/automation/MemberTable.h"

namespace walk {

// The walker as an automation object, for the CAD to load into its process
// (GetInterfaceObject) and hand to the program:
//
//   Version                                   the text of walkerVersion()
//   Pipes(modelSpace, first, count)           the pipes of a range (WalkerAnswer.h)
//   Find(modelSpace, first, count, objectId)  the handles of the entities with that ObjectID
//   Layers(layers, first, count)              the records of a range of the layer table
//
// It lives in someone else's process: every member answers or fails with an
// automation error, never with anything else; it shows nothing, writes
// nothing to the drawing, and holds nothing between calls.
class WalkerObject final : public automation::TableObject {
public:
    WalkerObject();

private:
    static const automation::MemberTable& members();
};

} // namespace walk
