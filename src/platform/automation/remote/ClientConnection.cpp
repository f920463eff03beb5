#include "platform/automation/remote/ClientConnection.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/remote/RemoteObject.h"
#include "platform/automation/Utf8.h"

#include <chrono>
#include <vector>

namespace automation::remote {

namespace {

// How long a greeting may take. A live server answers at once; a peer that
// accepts and then says nothing must not hang the caller's lookup.
constexpr std::chrono::seconds greetingTimeout{10};

} // namespace

ClientConnection::ClientConnection(Private, FrameSocket socket) : m_socket(std::move(socket)) {}

ClientConnection::~ClientConnection() = default;

DispatchRef ClientConnection::attach(const std::string& path)
{
    FrameSocket socket = FrameSocket::connectTo(path);
    if (!socket.isOpen())
        return nullptr;
    try {
        NoObjects noObjects;
        if (socket.send(encodeFrame(Hello{}, noObjects)) != FrameSocket::Status::Ok)
            return nullptr;
        socket.setReceiveTimeout(greetingTimeout);
        std::vector<uint8_t> payload;
        if (socket.receive(payload) != FrameSocket::Status::Ok)
            return nullptr;
        const Message answer = decodePayload(payload, noObjects);
        const auto* welcome = std::get_if<Welcome>(&answer);
        if (!welcome || welcome->version != protocolVersion || welcome->rootId == 0)
            return nullptr;
        socket.setReceiveTimeout(std::chrono::milliseconds::zero());

        auto connection = std::make_shared<ClientConnection>(Private{}, std::move(socket));
        std::lock_guard lock(connection->m_mutex);
        return connection->importObject(welcome->rootId).toDispatch();
    } catch (const FrameError&) {
        return nullptr;
    }
}

void ClientConnection::fail(int32_t code, std::u16string description)
{
    m_broken = true;
    m_socket.close();
    throw AutomationError(code, std::move(description));
}

Variant ClientConnection::invoke(uint64_t objectId, std::u16string_view member, InvokeKind kind, Args args)
{
    std::lock_guard lock(m_mutex);
    if (m_broken)
        throw AutomationError(hr::Rpc_E_Disconnected, {}, {}, std::u16string(member));

    Invoke request{objectId, kind, std::u16string(member), {}};
    request.args.reserve(args.size());
    for (const Arg& a : args)
        request.args.push_back(WireArg{a.isByRef(), a.value()});

    std::vector<uint8_t> frame;
    try {
        frame = encodeFrame(request, *this);
        if (!m_pendingReleases.empty()) {
            frame.insert(frame.begin(), m_pendingReleases.begin(), m_pendingReleases.end());
            m_pendingReleases.clear();
        }
    } catch (const FrameError& e) {
        // The arguments cannot cross; the connection itself is still sound.
        throw AutomationError(hr::E_InvalidArg, fromUtf8(e.what()), {}, std::u16string(member));
    }
    request.args.clear();

    // A server that is gone before or during the call ends the connection: the
    // socket reports it at once (a broken pipe, the end of the stream), so the
    // caller gets an error instead of waiting.
    if (m_socket.send(frame) != FrameSocket::Status::Ok)
        fail(hr::Rpc_E_Disconnected, {});

    std::vector<uint8_t> payload;
    Message answer;
    try {
        if (m_socket.receive(payload) != FrameSocket::Status::Ok)
            fail(hr::Rpc_E_ServerDied, {});
        answer = decodePayload(payload, *this);
    } catch (const FrameError& e) {
        fail(hr::Rpc_E_Disconnected, u"The automation server sent a malformed answer: " + fromUtf8(e.what()));
    }

    if (auto* failure = std::get_if<Failure>(&answer))
        throw AutomationError(failure->code, std::move(failure->description), std::move(failure->source),
                              failure->member.empty() ? std::u16string(member) : std::move(failure->member));
    auto* result = std::get_if<Result>(&answer);
    if (!result)
        fail(hr::Rpc_E_Disconnected, u"The automation server sent an answer out of turn");

    // By-ref arguments get what the server left in them, and only after the
    // call succeeded.
    for (Output& out : result->outputs)
        if (out.index < args.size() && args[out.index].isByRef())
            args[out.index].slot() = std::move(out.value);
    return std::move(result->value);
}

void ClientConnection::release(uint64_t objectId, uint32_t count) noexcept
{
    std::lock_guard lock(m_mutex);
    // Only forget the proxy when it is the one that went: an answer may
    // already have brought the object back under a new proxy.
    if (auto it = m_proxies.find(objectId); it != m_proxies.end() && it->second.expired())
        m_proxies.erase(it);
    if (m_broken)
        return;
    try {
        // Releases ride along with the next call, so that a walk over many
        // objects does not wake the server once more for each one; a long
        // run of them without calls goes out on its own.
        NoObjects noObjects;
        const std::vector<uint8_t> frame = encodeFrame(Release{objectId, count}, noObjects);
        m_pendingReleases.insert(m_pendingReleases.end(), frame.begin(), frame.end());
        if (m_pendingReleases.size() >= maxPendingReleaseBytes) {
            const FrameSocket::Status sent = m_socket.send(m_pendingReleases);
            m_pendingReleases.clear();
            if (sent != FrameSocket::Status::Ok) {
                m_broken = true;
                m_socket.close();
            }
        }
    } catch (...) {
        // Out of memory for a few bytes: the server keeps the object until
        // the connection closes, which is harmless.
    }
}

uint64_t ClientConnection::exportObject(const DispatchRef& object)
{
    const auto* proxy = dynamic_cast<const RemoteObject*>(object.get());
    if (!proxy || proxy->connection() != this)
        throw AutomationError(hr::Disp_E_TypeMismatch,
                              u"Only objects of the same automation server can be passed to it");
    return proxy->id();
}

Variant ClientConnection::importObject(uint64_t id)
{
    // The caller holds m_mutex.
    auto& slot = m_proxies[id];
    if (auto existing = slot.lock()) {
        ++existing->m_received;
        return Variant::dispatch(existing);
    }
    auto proxy = std::make_shared<RemoteObject>(shared_from_this(), id);
    slot = proxy;
    return Variant::dispatch(proxy);
}

} // namespace automation::remote
