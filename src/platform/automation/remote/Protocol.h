#pragma once

#include "platform/automation/Dispatch.h"
#include "platform/automation/Variant.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// The messages that cross the local socket between an automation client and a
// running object's server. Every message travels as one frame: a 32-bit
// little-endian payload length, then the payload, whose first byte names the
// message. Numbers are little-endian, doubles are IEEE-754 bit patterns, texts
// are UTF-16 code units with a 32-bit count, so nothing is lost on the way.
//
// A connection starts with Hello from the client and Welcome from the server,
// which names the root object; a server that cannot take the client answers
// with Failure instead and closes. Then the client sends Invoke and waits for
// Result or Failure, or for RetryLater: the server is busy and refused the
// call before it reached the member, and the client may send it again.
// Release needs no answer. Objects cross as ids of the
// server's per-connection table; id 0 is "no object".
//
// A client may ask in its Hello for the frames to travel through shared
// memory; a server that grants it passes the memory's descriptor with its
// Welcome, and from then on the socket only wakes the peer (FrameSocket).
namespace automation::remote {

inline constexpr uint32_t protocolMagic = 0x41524456; // "VDRA" on the wire
inline constexpr uint16_t protocolVersion = 3;

// What one frame may cost the side that reads it. The largest message of the
// CAD contract is a GetXData answer: a CAD keeps at most 16 kB of extended
// data per object, which makes two arrays of a few thousand values and less
// than 100 kB on the wire. The limits stay far above that, and far below what
// would let a peer hold the other side busy or make it allocate at will.
//
// A frame larger than this is refused as soon as its length is read, before
// anything is allocated for it, and the connection closed.
inline constexpr uint32_t maxFrameSize = 1024u * 1024u;
// Arrays nest at most this deep; the decoder recurses once per level.
inline constexpr int maxArrayDepth = 32;
// A message holds at most this many values, arrays' elements included: a
// value in memory is many times the one or two bytes it takes on the wire.
// Each count is checked against what is left before room is made for it.
inline constexpr uint32_t maxValuesPerMessage = 1u << 16;
// An Invoke carries at most this many arguments.
inline constexpr uint32_t maxArgumentsPerCall = 256;
// So a decoded message never takes more than this: every value, plus the
// texts, which take no more room decoded than on the wire.
inline constexpr size_t maxDecodedSize = 8u * 1024u * 1024u;

// Hello's and Welcome's options.
inline constexpr uint8_t optionSharedRings = 1;

enum class MessageType : uint8_t {
    Hello = 1,
    Welcome = 2,
    Invoke = 3,
    Result = 4,
    Failure = 5,
    Release = 6,
    RetryLater = 7,
};

struct Hello {
    uint32_t magic = protocolMagic;
    uint16_t version = protocolVersion;
    uint8_t options = 0; // what the client asks for
    bool operator==(const Hello&) const = default;
};

struct Welcome {
    uint16_t version = protocolVersion;
    uint64_t rootId = 0;
    uint8_t options = 0; // what the server grants
    bool operator==(const Welcome&) const = default;
};

struct WireArg {
    bool byRef = false;
    Variant value;
    bool operator==(const WireArg&) const = default;
};

struct Invoke {
    uint64_t objectId = 0;
    InvokeKind kind = InvokeKind::Method;
    std::u16string member;
    std::vector<WireArg> args;
    bool operator==(const Invoke&) const = default;
};

// The value a by-ref argument holds after the call, by the argument's position.
struct Output {
    uint32_t index = 0;
    Variant value;
    bool operator==(const Output&) const = default;
};

struct Result {
    Variant value;
    std::vector<Output> outputs;
    bool operator==(const Result&) const = default;
};

struct Failure {
    int32_t code = 0;
    std::u16string source;
    std::u16string description;
    std::u16string member;
    bool operator==(const Failure&) const = default;
};

// The sender drops `count` of the references it was handed for the object.
struct Release {
    uint64_t objectId = 0;
    uint32_t count = 0;
    bool operator==(const Release&) const = default;
};

// The server is busy and did not run the call; it may be sent again.
struct RetryLater {
    bool operator==(const RetryLater&) const = default;
};

using Message = std::variant<Hello, Welcome, Invoke, Result, Failure, Release, RetryLater>;

// A value decodes into at most one argument or output slot; texts take no
// more room than their bytes on the wire.
static_assert(size_t{maxValuesPerMessage} * std::max(sizeof(WireArg), sizeof(Output)) + maxFrameSize
                  <= maxDecodedSize,
              "the frame limits must bound what a frame decodes into");

} // namespace automation::remote
