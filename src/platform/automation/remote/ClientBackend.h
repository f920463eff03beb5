#pragma once

#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/remote/ClientConnection.h"

namespace automation::remote {

// Finds running objects through the local sockets their servers register in
// the user's runtime folder. Each lookup opens a connection of its own, as
// each GetActiveObject hands out its own proxy. Creating objects in another
// process is not offered: the system only attaches to programs the user started.
class ClientBackend : public ObjectBackend {
public:
    explicit ClientBackend(ClientTimeouts timeouts = {}) : m_timeouts(timeouts) {}

    DispatchRef activeObject(std::u16string_view progId) override;
    DispatchRef createObject(std::u16string_view progId) override;

private:
    ClientTimeouts m_timeouts;
};

// Makes the remote backend the platform backend of object lookup.
void installClientBackend(ClientTimeouts timeouts = {});

} // namespace automation::remote
