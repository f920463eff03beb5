#pragma once

#include "platform/automation/ObjectRegistry.h"

namespace automation::remote {

// Finds running objects through the local sockets their servers register in
// the user's runtime folder. Each lookup opens a connection of its own, as
// each GetActiveObject hands out its own proxy. Creating objects in another
// process is not offered: the system only attaches to programs the user started.
class ClientBackend : public ObjectBackend {
public:
    DispatchRef activeObject(std::u16string_view progId) override;
    DispatchRef createObject(std::u16string_view progId) override;
};

// Makes the remote backend the platform backend of object lookup.
void installClientBackend();

} // namespace automation::remote
