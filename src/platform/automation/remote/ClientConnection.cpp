#include "platform/automation/remote/ClientConnection.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/HResult.h"
#include "platform/automation/remote/PeerUser.h"
#include "platform/automation/remote/RemoteObject.h"
#include "platform/automation/Utf8.h"

#include <string>
#include <unistd.h>
#include <vector>

namespace automation::remote {

namespace {

std::u16string noAnswerText(std::chrono::milliseconds waited)
{
    return u"The automation server gave no answer within "
           + fromUtf8(std::to_string((waited.count() + 999) / 1000)) + u" s";
}

} // namespace

ClientConnection::ClientConnection(Private, FrameSocket socket, const ClientTimeouts& timeouts)
    : m_socket(std::move(socket)), m_callTimeout(timeouts.call), m_busyRetry(timeouts.busyRetry)
{
    // The answer, first byte to last, within the call's time. Meanwhile the
    // caller keeps its windows drawn, and its user may stop the wait.
    m_socket.setReceiveTimeout(m_callTimeout);
    m_socket.setFrameTimeout(m_callTimeout);
    m_socket.setWaitHook(&waitForAnswer);
}

ClientConnection::~ClientConnection() = default;

DispatchRef ClientConnection::attach(const std::string& path, const ClientTimeouts& timeouts)
{
    FrameSocket socket = FrameSocket::connectTo(path);
    if (!socket.isOpen())
        return nullptr;
    return attach(std::move(socket), timeouts);
}

DispatchRef ClientConnection::attach(FrameSocket socket, const ClientTimeouts& timeouts)
{
    // A socket of another user's process is no server of ours, whatever it
    // would answer: not a word is sent to it.
    if (!isOwnUsersPeer(socket.fd()))
        return nullptr;
    Message answer;
    try {
        NoObjects noObjects;
        socket.setFrameTimeout(timeouts.greeting);
        // A server that turns us away writes its reason and closes without
        // waiting for the greeting, so a greeting that finds the socket
        // closed still looks for that reason below.
        socket.send(encodeFrame(Hello{protocolMagic, protocolVersion, optionSharedRings}, noObjects));
        socket.setReceiveTimeout(timeouts.greeting);
        socket.setWaitHook(&waitForAnswer);
        socket.acceptDescriptors(true);
        std::vector<uint8_t> payload;
        switch (socket.receive(payload)) {
        case FrameSocket::Status::Ok: break;
        case FrameSocket::Status::TimedOut:
            // Something of ours listens there and took the connection, but
            // does not answer: a CAD that runs and is stopped or hung, not
            // one that is missing.
            throw LinkFailure(hr::Rpc_E_Timeout, noAnswerText(timeouts.greeting));
        case FrameSocket::Status::Closed:
        case FrameSocket::Status::Malformed: return nullptr;
        }
        socket.acceptDescriptors(false);
        answer = decodePayload(payload, noObjects);
    } catch (const FrameError&) {
        return nullptr;
    }

    if (auto* refusal = std::get_if<Failure>(&answer))
        raiseCallFailure(refusal->code, std::move(refusal->description), std::move(refusal->source));
    const auto* welcome = std::get_if<Welcome>(&answer);
    if (!welcome || welcome->version != protocolVersion || welcome->rootId == 0)
        return nullptr;
    const int descriptor = socket.takeDescriptor();
    if (welcome->options & optionSharedRings) {
        std::unique_ptr<SharedRings> rings = descriptor >= 0 ? SharedRings::adopt(descriptor) : nullptr;
        if (!rings)
            return nullptr; // granted, but not given: not a server of ours
        socket.useRings(std::move(rings));
    } else if (descriptor >= 0) {
        ::close(descriptor);
    }

    auto connection = std::make_shared<ClientConnection>(Private{}, std::move(socket), timeouts);
    std::lock_guard lock(connection->m_mutex);
    return connection->importObject(welcome->rootId).toDispatch();
}

void ClientConnection::fail(int32_t code, std::u16string description, std::u16string_view member)
{
    m_broken = true;
    m_socket.close();
    throw LinkFailure(code, std::move(description), {}, std::u16string(member));
}

// One request out, one answer back. The releases gathered since the last
// call ride in front of the request.
Message ClientConnection::exchange(const std::vector<uint8_t>& request, std::u16string_view member)
{
    std::vector<uint8_t> withReleases;
    if (!m_pendingReleases.empty()) {
        withReleases = std::move(m_pendingReleases);
        m_pendingReleases.clear();
        withReleases.insert(withReleases.end(), request.begin(), request.end());
    }
    const std::vector<uint8_t>& frame = withReleases.empty() ? request : withReleases;

    // A server that is gone before or during the call ends the connection: its
    // end of the socket closes, which the wait for the answer sees at once, so
    // the caller gets an error instead of waiting. One that stays but never
    // answers is given up after the call's time-out.
    switch (m_socket.send(frame)) {
    case FrameSocket::Status::Ok: break;
    case FrameSocket::Status::TimedOut: fail(hr::Rpc_E_Timeout, noAnswerText(m_callTimeout), member);
    case FrameSocket::Status::Closed:
    case FrameSocket::Status::Malformed: fail(hr::Rpc_E_Disconnected, {}, member);
    }

    std::vector<uint8_t> payload;
    try {
        switch (m_socket.receive(payload)) {
        case FrameSocket::Status::Ok: break;
        case FrameSocket::Status::TimedOut: fail(hr::Rpc_E_Timeout, noAnswerText(m_callTimeout), member);
        case FrameSocket::Status::Closed: fail(hr::Rpc_E_ServerDied, {}, member);
        case FrameSocket::Status::Malformed:
            fail(hr::Rpc_E_Disconnected, u"The automation server sent a malformed answer: a message over the limit",
                 member);
        }
        return decodePayload(payload, *this);
    } catch (const FrameError& e) {
        fail(hr::Rpc_E_Disconnected, u"The automation server sent a malformed answer: " + fromUtf8(e.what()), member);
    } catch (...) {
        // The wait ended without the answer (its user stopped it): the answer
        // would come out of turn, so the connection is given up.
        m_broken = true;
        m_socket.close();
        throw;
    }
}

Variant ClientConnection::invoke(uint64_t objectId, std::u16string_view member, InvokeKind kind, Args args)
{
    std::lock_guard lock(m_mutex);
    if (m_broken)
        throw LinkFailure(hr::Rpc_E_Disconnected, {}, {}, std::u16string(member));

    Invoke request{objectId, kind, std::u16string(member), {}};
    request.args.reserve(args.size());
    for (const Arg& a : args)
        request.args.push_back(WireArg{a.isByRef(), a.value()});

    std::vector<uint8_t> requestFrame;
    try {
        requestFrame = encodeFrame(request, *this);
    } catch (const FrameError& e) {
        // The arguments cannot cross; the connection itself is still sound.
        throw AutomationError(hr::E_InvalidArg, fromUtf8(e.what()), {}, std::u16string(member));
    }
    request.args.clear();

    // A busy server refuses the call before it reaches the member; it is sent
    // again, silently, until the server takes it or the limit is reached.
    Message answer = retryWhileRefused(
        [&] {
            if (m_broken) // a release sent during the wait found the server gone
                throw LinkFailure(hr::Rpc_E_Disconnected, {}, {}, std::u16string(member));
            return exchange(requestFrame, member);
        },
        [](const Message& m) { return std::holds_alternative<RetryLater>(m); }, m_busyRetry);
    if (std::holds_alternative<RetryLater>(answer))
        throw CallRejected(std::u16string(member));

    if (auto* failure = std::get_if<Failure>(&answer))
        raiseCallFailure(failure->code, std::move(failure->description), std::move(failure->source),
                         failure->member.empty() ? std::u16string(member) : std::move(failure->member));
    auto* result = std::get_if<Result>(&answer);
    if (!result)
        fail(hr::Rpc_E_Disconnected, u"The automation server sent an answer out of turn", member);

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
