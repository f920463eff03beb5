#include "platform/automation/remote/ServerSession.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ServedCalls.h"
#include "platform/automation/Utf8.h"

#include <vector>

namespace automation::remote {

namespace {

constexpr size_t keptPayloadCapacity = 64 * 1024;

} // namespace

ServerSession::ServerSession(FrameSocket socket, DispatchRef root, const ServerLimits& limits)
    : m_socket(std::move(socket)), m_root(std::move(root)), m_limits(limits)
{
    m_socket.setFrameTimeout(m_limits.frameTimeout);
}

ServerSession::~ServerSession() = default;

void ServerSession::serve()
{
    try {
        if (greet()) {
            std::vector<uint8_t> payload;
            while (m_socket.receive(payload) == FrameSocket::Status::Ok) {
                Message message;
                try {
                    message = decodePayload(payload, *this);
                } catch (const CallFailure& e) {
                    // The frame was sound but named an object this client does
                    // not hold: answer the call with the failure.
                    const Failure failure{e.code(), e.source(), e.description(), e.member()};
                    NoObjects noObjects;
                    if (m_socket.send(encodeFrame(failure, noObjects)) != FrameSocket::Status::Ok)
                        break;
                    continue;
                }
                if (const auto* request = std::get_if<Invoke>(&message)) {
                    if (!answer(*request))
                        break;
                } else if (const auto* release = std::get_if<Release>(&message)) {
                    this->release(*release);
                } else {
                    break; // a message out of turn: the peer does not follow the protocol
                }
                // An idle connection keeps no more than an ordinary frame's room.
                if (payload.capacity() > keptPayloadCapacity)
                    std::vector<uint8_t>().swap(payload);
            }
        }
    } catch (...) {
        // Malformed or oversized, or no memory left for it: close this
        // connection and keep serving the others. Nothing a client sends may
        // end the server's process.
    }
    m_socket.shutdown();
    // The client's references go with the connection.
    m_ids.clear();
    m_objects.clear();
    m_root.reset();
    m_finished = true;
}

bool ServerSession::greet()
{
    m_socket.setReceiveTimeout(m_limits.greetingTimeout);
    std::vector<uint8_t> payload;
    NoObjects noObjects;
    if (m_socket.receive(payload) != FrameSocket::Status::Ok)
        return false;
    const Message message = decodePayload(payload, noObjects);
    const auto* hello = std::get_if<Hello>(&message);
    if (!hello || hello->magic != protocolMagic || hello->version != protocolVersion)
        return false;
    m_socket.setReceiveTimeout(std::chrono::milliseconds::zero());

    // Shared rings when the client asks and the system has memory for them;
    // otherwise the frames stay on the socket.
    std::unique_ptr<SharedRings> rings;
    if (hello->options & optionSharedRings)
        rings = SharedRings::create();
    const Welcome welcome{protocolVersion, exportObject(m_root), rings ? optionSharedRings : uint8_t{0}};
    const std::vector<uint8_t> frame = encodeFrame(welcome, noObjects);
    if (!rings)
        return m_socket.send(frame) == FrameSocket::Status::Ok;
    if (m_socket.sendWithDescriptor(frame, rings->descriptor()) != FrameSocket::Status::Ok)
        return false;
    rings->closeDescriptor();
    m_socket.useRings(std::move(rings));
    return true;
}

bool ServerSession::answer(const Invoke& request)
{
    Message reply;
    try {
        const auto target = m_objects.find(request.objectId);
        if (target == m_objects.end())
            throw LinkFailure(hr::Rpc_E_Disconnected, {});

        // By-ref arguments point into values of our own, which go back to the
        // client after the call.
        std::vector<Variant> values;
        values.reserve(request.args.size());
        for (const WireArg& a : request.args)
            values.push_back(a.value);
        std::vector<Arg> args;
        args.reserve(values.size());
        for (size_t i = 0; i < values.size(); ++i)
            args.push_back(request.args[i].byRef ? Arg::ref(values[i]) : Arg(values[i]));

        // Keep the object alive through the call even if the call itself
        // makes the client's table drop it.
        const DispatchRef object = target->second.object;
        Result result{object->invoke(request.member, request.kind, args), {}};
        for (size_t i = 0; i < args.size(); ++i)
            if (args[i].isByRef())
                result.outputs.push_back(Output{static_cast<uint32_t>(i), std::move(values[i])});
        reply = std::move(result);
    } catch (const CallRejected&) {
        reply = RetryLater{};
    } catch (const CallFailure& e) {
        // The code tells the client which kind of failure it was.
        reply = Failure{e.code(), e.source(), e.description(),
                        e.member().empty() ? request.member : e.member()};
    } catch (const std::exception& e) {
        reply = Failure{hr::Disp_E_Exception, {}, fromUtf8(e.what()), request.member};
    } catch (...) {
        // Whatever the object threw, the client hears a failure of the call.
        reply = Failure{hr::E_Fail, {}, {}, request.member};
    }
    // A call refused as busy never reached the object, as under COM, where
    // the channel refuses it.
    if (!std::holds_alternative<RetryLater>(reply))
        countServedInvocation();

    std::vector<uint8_t> frame;
    try {
        frame = encodeFrame(reply, *this);
    } catch (const FrameError& e) {
        NoObjects noObjects;
        frame = encodeFrame(Failure{hr::E_Fail, {}, fromUtf8(e.what()), request.member}, noObjects);
    }
    return m_socket.send(frame) == FrameSocket::Status::Ok;
}

void ServerSession::release(const Release& message)
{
    const auto it = m_objects.find(message.objectId);
    if (it == m_objects.end())
        return;
    Entry& entry = it->second;
    entry.handedOut -= std::min<uint64_t>(entry.handedOut, message.count);
    if (entry.handedOut == 0) {
        m_ids.erase(entry.object.get());
        m_objects.erase(it);
    }
}

uint64_t ServerSession::exportObject(const DispatchRef& object)
{
    // The same object handed out again keeps its id, so the client's proxies
    // keep their identity and the table does not grow with repeated reads.
    if (const auto known = m_ids.find(object.get()); known != m_ids.end()) {
        ++m_objects[known->second].handedOut;
        return known->second;
    }
    const uint64_t id = m_nextId++;
    m_objects.emplace(id, Entry{object, 1});
    m_ids.emplace(object.get(), id);
    return id;
}

Variant ServerSession::importObject(uint64_t id)
{
    const auto it = m_objects.find(id);
    if (it == m_objects.end())
        throw LinkFailure(hr::Rpc_E_Disconnected, u"The object passed is not held by this client");
    return Variant::dispatch(it->second.object);
}

} // namespace automation::remote
