// Feeds the walker a model space whose entities answer whatever the input
// says: members that fail or answer the wrong type, extended data of any
// shape (empty or short arrays, arrays of arrays, NaN and huge numbers, long
// texts), and an Item that fails part-way. The walker runs in the CAD's
// process, where a fault takes the designer's drawing with it: whatever the
// entities answer, its members answer a well-formed answer or fail with an
// automation error, and the program's reading of that answer takes it or
// refuses it as a whole.
//
// Input: a stream of bytes read as choices, entity after entity (see
// Script). Running out of bytes ends the model space.
#include "../tests/walk/ScriptedModelSpace.h"

#include "platform/automation/AutomationError.h"
#include "walk/ModelSpaceWalk.h"
#include "walk/WalkerAnswer.h"
#include "walk/WalkerObject.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

using automation::Variant;

namespace {

class Script {
public:
    Script(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_at >= m_size; }
    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }

    // A value of any kind the automation layer knows, nested a little.
    Variant value(int depth = 0)
    {
        switch (byte() % 12) {
        case 0: return Variant();
        case 1: return Variant::null();
        case 2: return Variant::i2(int16_t(byte() | byte() << 8));
        case 3: return Variant::i4(int32_t(byte()) - 128);
        case 4: return Variant::i8(int64_t(byte()) << (byte() % 56));
        case 5: return Variant::r8(real());
        case 6: return Variant::boolean(byte() & 1);
        case 7: return Variant::bstr(std::u16string(size_t(byte()) * 64, char16_t(u'A' + byte() % 26)));
        case 8: return Variant::error(int32_t(0x80020004));
        case 9:
        case 10: {
            if (depth > 3)
                return Variant::i2(10);
            std::vector<Variant> elements(byte() % 6);
            for (Variant& e : elements)
                e = value(depth + 1);
            return Variant::array(std::move(elements), int32_t(byte() % 3) - 1);
        }
        default: return Variant::bstr(u"2A");
        }
    }

    double real()
    {
        switch (byte() % 6) {
        case 0: return std::numeric_limits<double>::quiet_NaN();
        case 1: return std::numeric_limits<double>::infinity();
        case 2: return -1.0;
        case 3: return 1e308;
        case 4: return 0.0;
        default: return double(byte()) * 10.0;
        }
    }

    // A member's answer: a value, or a failure.
    void member(scripted::Entity& entity, std::u16string name)
    {
        if (byte() % 5 == 0)
            entity.fail(std::move(name));
        else
            entity.answer(std::move(name), value());
    }

    // A pipe-like entity most of the time, so that the walk goes deep.
    void entity(scripted::ModelSpace& space)
    {
        scripted::Entity& e = space.add();
        if (byte() % 4)
            e.answer(u"EntityType", Variant::i4(3));
        else
            member(e, u"EntityType");
        member(e, u"Layer");
        member(e, u"ObjectID");
        member(e, u"Handle");
        if (byte() % 3) {
            std::vector<Variant> codes, values;
            const int items = byte() % 4;
            for (int i = 0; i < items; ++i) {
                codes.push_back(byte() & 1 ? Variant::i2(1070) : Variant::i2(1010));
                values.push_back(byte() & 1 ? Variant::i2(10)
                                            : Variant::array({Variant::r8(real()), value(1), Variant::r8(real())}));
            }
            if (byte() % 7 == 0 && !values.empty())
                values.pop_back(); // a value array shorter than the codes
            e.xdata(Variant::array(std::move(codes)), Variant::array(std::move(values)));
        } else {
            e.xdata(value(), value());
        }
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Script script(data, size);
    auto space = std::make_shared<scripted::ModelSpace>();
    const uint8_t failAt = script.byte();
    while (!script.done() && space->entities.size() < 64)
        script.entity(*space);
    if (failAt < 16)
        space->failItemAt = failAt;
    const int32_t count = int32_t(space->entities.size());

    const Variant walker = Variant::dispatch(std::make_shared<walk::WalkerObject>());
    const Variant modelSpace = Variant::dispatch(space);
    try {
        const Variant answer = automation::call(walker, u"Pipes", modelSpace, Variant::i4(0), Variant::i4(count));
        // What the walker answers, the program reads; every row it keeps is a pipe.
        const walk::PipeChunk chunk = walk::decodePipes(answer, 0, count);
        for (const walk::PipeRow& row : chunk.rows)
            if (!walk::hasPipeSizes(row))
                std::abort();
    } catch (const automation::CallFailure&) {
        // The one way for the walker to fail.
    }
    try {
        const Variant answer =
            automation::call(walker, u"Find", modelSpace, Variant::i4(0), Variant::i4(count), Variant::i4(5));
        const walk::MatchChunk chunk = walk::decodeMatches(answer, 0, count);
        for (const std::u16string& handle : chunk.handles)
            if (!walk::isEntityHandle(handle))
                std::abort();
    } catch (const automation::CallFailure&) {
    }
    return 0;
}
