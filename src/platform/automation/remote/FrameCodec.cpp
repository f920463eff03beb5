#include "platform/automation/remote/FrameCodec.h"

#include <cstring>
#include <limits>

namespace automation::remote {

namespace {

class Writer {
public:
    Writer(ObjectMarshal& objects) : m_objects(objects) { m_bytes.resize(frameHeaderSize); }

    void u8(uint8_t v) { m_bytes.push_back(v); }
    void u16(uint16_t v) { little(v, 2); }
    void u32(uint32_t v) { little(v, 4); }
    void u64(uint64_t v) { little(v, 8); }
    void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void i64(int64_t v) { u64(static_cast<uint64_t>(v)); }
    void r8(double v)
    {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u64(bits);
    }
    void text(std::u16string_view s)
    {
        u32(count(s.size()));
        for (char16_t c : s)
            u16(static_cast<uint16_t>(c));
    }

    void variant(const Variant& v, int depth)
    {
        if (++m_values > maxValuesPerMessage)
            throw FrameError("the message holds too many values to send");
        u8(static_cast<uint8_t>(v.type()));
        switch (v.type()) {
        case VarType::Empty:
        case VarType::Null: break;
        case VarType::I2: i16(v.toI2()); break;
        case VarType::I4: i32(v.toI4()); break;
        case VarType::I8: i64(v.toI8()); break;
        case VarType::R8: r8(v.toR8()); break;
        case VarType::Bool: u8(v.toBool() ? 1 : 0); break;
        case VarType::BStr: text(v.toBStr()); break;
        case VarType::Error: i32(v.errorCode()); break;
        case VarType::Dispatch: u64(m_objects.exportObject(v.toDispatch())); break;
        case VarType::Array: {
            if (depth >= maxArrayDepth)
                throw FrameError("arrays are nested too deep to send");
            const SafeArray& a = v.toArray();
            i32(a.lowerBound);
            u32(count(a.elements.size()));
            for (const Variant& e : a.elements)
                variant(e, depth + 1);
            break;
        }
        }
        checkSize();
    }

    std::vector<uint8_t> finish()
    {
        checkSize();
        const uint32_t length = static_cast<uint32_t>(m_bytes.size() - frameHeaderSize);
        for (size_t i = 0; i < frameHeaderSize; ++i)
            m_bytes[i] = static_cast<uint8_t>(length >> (8 * i));
        return std::move(m_bytes);
    }

private:
    void little(uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    static uint32_t count(size_t n)
    {
        if (n > maxFrameSize)
            throw FrameError("a value is too large to send");
        return static_cast<uint32_t>(n);
    }
    void checkSize() const
    {
        if (m_bytes.size() - frameHeaderSize > maxFrameSize)
            throw FrameError("the message is too large to send");
    }

    ObjectMarshal& m_objects;
    std::vector<uint8_t> m_bytes;
    uint32_t m_values = 0;
};

class Reader {
public:
    Reader(std::span<const uint8_t> bytes, ObjectMarshal& objects) : m_bytes(bytes), m_objects(objects) {}

    uint8_t u8() { return static_cast<uint8_t>(little(1)); }
    uint16_t u16() { return static_cast<uint16_t>(little(2)); }
    uint32_t u32() { return static_cast<uint32_t>(little(4)); }
    uint64_t u64() { return little(8); }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    int64_t i64() { return static_cast<int64_t>(u64()); }
    double r8()
    {
        const uint64_t bits = u64();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    bool boolean()
    {
        const uint8_t b = u8();
        if (b > 1)
            throw FrameError("a Boolean is neither 0 nor 1");
        return b == 1;
    }
    std::u16string text()
    {
        const uint32_t n = u32();
        need(size_t{n} * 2);
        std::u16string s(n, u'\0');
        for (uint32_t i = 0; i < n; ++i)
            s[i] = static_cast<char16_t>(u16());
        return s;
    }

    Variant variant(int depth)
    {
        if (++m_values > maxValuesPerMessage)
            throw FrameError("the message holds too many values");
        const uint8_t tag = u8();
        if (tag > static_cast<uint8_t>(VarType::Error))
            throw FrameError("unknown value type");
        switch (static_cast<VarType>(tag)) {
        case VarType::Empty: return Variant();
        case VarType::Null: return Variant::null();
        case VarType::I2: return Variant::i2(i16());
        case VarType::I4: return Variant::i4(i32());
        case VarType::I8: return Variant::i8(i64());
        case VarType::R8: return Variant::r8(r8());
        case VarType::Bool: return Variant::boolean(boolean());
        case VarType::BStr: return Variant::bstr(text());
        case VarType::Error: return Variant::error(i32());
        case VarType::Dispatch: {
            const uint64_t id = u64();
            return id == 0 ? Variant() : m_objects.importObject(id);
        }
        case VarType::Array: {
            if (depth >= maxArrayDepth)
                throw FrameError("arrays are nested too deep");
            const int32_t lowerBound = i32();
            const uint32_t n = u32();
            // Every element takes at least its tag byte: a count the rest of
            // the payload cannot hold is refused before anything is allocated.
            need(n);
            if (n > maxValuesPerMessage - m_values)
                throw FrameError("the message holds too many values");
            if (int64_t{lowerBound} + n - 1 > std::numeric_limits<int32_t>::max())
                throw FrameError("array bounds out of range");
            std::vector<Variant> elements;
            elements.reserve(n);
            for (uint32_t i = 0; i < n; ++i)
                elements.push_back(variant(depth + 1));
            return Variant::array(std::move(elements), lowerBound);
        }
        }
        throw FrameError("unknown value type");
    }

    uint32_t countOf(size_t minimumItemSize)
    {
        const uint32_t n = u32();
        need(size_t{n} * minimumItemSize);
        if (n > maxValuesPerMessage - m_values)
            throw FrameError("the message holds too many values");
        return n;
    }

    void end() const
    {
        if (m_pos != m_bytes.size())
            throw FrameError("trailing bytes after the message");
    }

private:
    void need(size_t n) const
    {
        if (n > m_bytes.size() - m_pos)
            throw FrameError("the message is truncated");
    }
    uint64_t little(int n)
    {
        need(static_cast<size_t>(n));
        uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= uint64_t{m_bytes[m_pos++]} << (8 * i);
        return v;
    }

    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
    ObjectMarshal& m_objects;
    uint32_t m_values = 0;
};

InvokeKind invokeKind(uint8_t value)
{
    if (value > static_cast<uint8_t>(InvokeKind::PropertyPut))
        throw FrameError("unknown invoke kind");
    return static_cast<InvokeKind>(value);
}

} // namespace

uint64_t NoObjects::exportObject(const DispatchRef&)
{
    throw FrameError("this message cannot carry objects");
}

Variant NoObjects::importObject(uint64_t)
{
    throw FrameError("this message cannot carry objects");
}

uint32_t payloadLength(std::span<const uint8_t, frameHeaderSize> header)
{
    uint32_t n = 0;
    for (size_t i = 0; i < frameHeaderSize; ++i)
        n |= uint32_t{header[i]} << (8 * i);
    return n;
}

std::vector<uint8_t> encodeFrame(const Message& message, ObjectMarshal& objects)
{
    Writer w(objects);
    std::visit(
        [&w](const auto& m) {
            using T = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<T, Hello>) {
                w.u8(static_cast<uint8_t>(MessageType::Hello));
                w.u32(m.magic);
                w.u16(m.version);
                w.u8(m.options);
            } else if constexpr (std::is_same_v<T, Welcome>) {
                w.u8(static_cast<uint8_t>(MessageType::Welcome));
                w.u16(m.version);
                w.u64(m.rootId);
                w.u8(m.options);
            } else if constexpr (std::is_same_v<T, Invoke>) {
                w.u8(static_cast<uint8_t>(MessageType::Invoke));
                w.u64(m.objectId);
                w.u8(static_cast<uint8_t>(m.kind));
                w.text(m.member);
                if (m.args.size() > maxArgumentsPerCall)
                    throw FrameError("the call has too many arguments to send");
                w.u32(static_cast<uint32_t>(m.args.size()));
                for (const WireArg& a : m.args) {
                    w.u8(a.byRef ? 1 : 0);
                    w.variant(a.value, 0);
                }
            } else if constexpr (std::is_same_v<T, Result>) {
                w.u8(static_cast<uint8_t>(MessageType::Result));
                w.variant(m.value, 0);
                w.u32(static_cast<uint32_t>(m.outputs.size()));
                for (const Output& o : m.outputs) {
                    w.u32(o.index);
                    w.variant(o.value, 0);
                }
            } else if constexpr (std::is_same_v<T, Failure>) {
                w.u8(static_cast<uint8_t>(MessageType::Failure));
                w.i32(m.code);
                w.text(m.source);
                w.text(m.description);
                w.text(m.member);
            } else if constexpr (std::is_same_v<T, Release>) {
                w.u8(static_cast<uint8_t>(MessageType::Release));
                w.u64(m.objectId);
                w.u32(m.count);
            } else if constexpr (std::is_same_v<T, RetryLater>) {
                w.u8(static_cast<uint8_t>(MessageType::RetryLater));
            }
        },
        message);
    return w.finish();
}

Message decodePayload(std::span<const uint8_t> payload, ObjectMarshal& objects)
{
    if (payload.size() > maxFrameSize)
        throw FrameError("the message is too large");
    Reader r(payload, objects);
    Message message;
    switch (static_cast<MessageType>(r.u8())) {
    case MessageType::Hello: {
        Hello m;
        m.magic = r.u32();
        m.version = r.u16();
        m.options = r.u8();
        message = m;
        break;
    }
    case MessageType::Welcome: {
        Welcome m;
        m.version = r.u16();
        m.rootId = r.u64();
        m.options = r.u8();
        message = m;
        break;
    }
    case MessageType::Invoke: {
        Invoke m;
        m.objectId = r.u64();
        m.kind = invokeKind(r.u8());
        m.member = r.text();
        const uint32_t n = r.countOf(2); // flag byte + value tag
        if (n > maxArgumentsPerCall)
            throw FrameError("the call has too many arguments");
        m.args.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            WireArg a;
            a.byRef = r.boolean();
            a.value = r.variant(0);
            m.args.push_back(std::move(a));
        }
        message = std::move(m);
        break;
    }
    case MessageType::Result: {
        Result m;
        m.value = r.variant(0);
        const uint32_t n = r.countOf(5); // index + value tag
        m.outputs.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            Output o;
            o.index = r.u32();
            o.value = r.variant(0);
            m.outputs.push_back(std::move(o));
        }
        message = std::move(m);
        break;
    }
    case MessageType::Failure: {
        Failure m;
        m.code = r.i32();
        m.source = r.text();
        m.description = r.text();
        m.member = r.text();
        message = std::move(m);
        break;
    }
    case MessageType::Release: {
        Release m;
        m.objectId = r.u64();
        m.count = r.u32();
        message = m;
        break;
    }
    case MessageType::RetryLater: message = RetryLater{}; break;
    default: throw FrameError("unknown message type");
    }
    r.end();
    return message;
}

} // namespace automation::remote
