#pragma once

#include "platform/automation/remote/Protocol.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// Encoding and decoding of protocol messages. Pure code over byte buffers: no
// sockets, no threads, no Qt, so that it can be tested and fuzzed on its own.
namespace automation::remote {

// A payload that does not follow the protocol: a peer speaking something else,
// a truncated or oversized message, arrays nested too deep. The side that meets
// one closes the connection.
class FrameError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Turns objects into wire ids and back. Each side of a connection has its own:
// the server keeps a table of the objects it handed out, the client makes
// proxies. Either may refuse with an AutomationError (an unknown id, an object
// that cannot cross).
class ObjectMarshal {
public:
    virtual ~ObjectMarshal() = default;
    virtual uint64_t exportObject(const DispatchRef& object) = 0;
    virtual Variant importObject(uint64_t id) = 0;
};

// For messages that must carry no objects (and for the decoder's fuzzing):
// any object is a FrameError.
class NoObjects : public ObjectMarshal {
public:
    uint64_t exportObject(const DispatchRef& object) override;
    Variant importObject(uint64_t id) override;
};

inline constexpr size_t frameHeaderSize = 4;

// The whole frame: the length header followed by the payload. A message whose
// payload would exceed maxFrameSize, or whose arrays nest deeper than
// maxArrayDepth, is a FrameError.
std::vector<uint8_t> encodeFrame(const Message& message, ObjectMarshal& objects);

// The payload length a frame header announces (not checked against the limit).
uint32_t payloadLength(std::span<const uint8_t, frameHeaderSize> header);

// One message from a payload (the bytes after the header). Anything malformed,
// trailing bytes included, is a FrameError.
Message decodePayload(std::span<const uint8_t> payload, ObjectMarshal& objects);

} // namespace automation::remote
