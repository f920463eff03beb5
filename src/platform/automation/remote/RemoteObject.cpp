#include "platform/automation/remote/RemoteObject.h"

#include "platform/automation/remote/ClientConnection.h"

namespace automation::remote {

RemoteObject::~RemoteObject() { m_connection->release(m_id, m_received); }

Variant RemoteObject::invoke(std::u16string_view member, InvokeKind kind, Args args)
{
    return m_connection->invoke(m_id, member, kind, args);
}

} // namespace automation::remote
