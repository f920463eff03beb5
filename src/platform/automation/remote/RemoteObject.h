#pragma once

#include "platform/automation/Dispatch.h"

#include <cstdint>
#include <memory>

namespace automation::remote {

class ClientConnection;

// The client's proxy for one object of a server: every member call crosses
// the connection. When the proxy's last reference goes, the server is told to
// drop the object (as often as it was handed over).
class RemoteObject : public Dispatch {
public:
    RemoteObject(std::shared_ptr<ClientConnection> connection, uint64_t id)
        : m_connection(std::move(connection)), m_id(id)
    {
    }
    ~RemoteObject() override;

    Variant invoke(std::u16string_view member, InvokeKind kind, Args args) override;

    uint64_t id() const { return m_id; }
    const ClientConnection* connection() const { return m_connection.get(); }

private:
    friend class ClientConnection;

    std::shared_ptr<ClientConnection> m_connection;
    uint64_t m_id;
    uint32_t m_received = 1; // guarded by the connection's mutex
};

} // namespace automation::remote
