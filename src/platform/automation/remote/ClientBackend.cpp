#include "platform/automation/remote/ClientBackend.h"

#include "platform/automation/remote/ClientConnection.h"
#include "platform/automation/remote/SocketPath.h"

namespace automation::remote {

DispatchRef ClientBackend::activeObject(std::u16string_view progId)
{
    const std::string path = socketPathFor(progId);
    return path.empty() ? nullptr : ClientConnection::attach(path, m_timeouts);
}

DispatchRef ClientBackend::createObject(std::u16string_view) { return nullptr; }

void installClientBackend(ClientTimeouts timeouts) { setObjectBackend(std::make_unique<ClientBackend>(timeouts)); }

} // namespace automation::remote
