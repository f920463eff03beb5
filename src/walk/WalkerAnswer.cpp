#include "walk/WalkerAnswer.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

#include <algorithm>
#include <vector>

namespace walk {

using automation::Variant;
using automation::VarType;

namespace {

constexpr size_t headerSize = 4;
constexpr size_t pipeColumns = 6;
constexpr size_t layerColumns = 4;

[[noreturn]] void malformed()
{
    throw automation::AutomationError(automation::hr::Disp_E_TypeMismatch, u"The walker's answer is malformed",
                                      u"Vedoris.Walker");
}

Variant header(int32_t next, const std::optional<ItemFailure>& failure)
{
    const ItemFailure none;
    const ItemFailure& f = failure ? *failure : none;
    return Variant::array({Variant::i4(next), Variant::i4(failure ? (f.code ? f.code : automation::hr::E_Fail) : 0),
                           Variant::bstr(f.source), Variant::bstr(f.description)});
}

template <typename Row, typename T, typename Make>
Variant column(const std::vector<Row>& rows, T Row::*field, Make make)
{
    std::vector<Variant> values;
    values.reserve(rows.size());
    for (const Row& row : rows)
        values.push_back(make(row.*field));
    return Variant::array(std::move(values));
}

// The elements of an answer's array, checked for their number and their
// lower bound of 0.
const std::vector<Variant>& elements(const Variant& value, size_t size)
{
    if (value.type() != VarType::Array)
        malformed();
    const automation::SafeArray& array = value.toArray();
    if (array.lowerBound != 0 || array.elements.size() != size)
        malformed();
    return array.elements;
}

const std::vector<Variant>& anyElements(const Variant& value)
{
    if (value.type() != VarType::Array || value.toArray().lowerBound != 0)
        malformed();
    return value.toArray().elements;
}

const Variant& typed(const Variant& value, VarType type)
{
    if (value.type() != type)
        malformed();
    return value;
}

// next and the failure, checked against the range that was asked for.
template <typename Chunk>
void readHeader(const std::vector<Variant>& all, int32_t first, int32_t count, Chunk& chunk)
{
    chunk.next = typed(all[0], VarType::I4).toI4();
    const int64_t end = int64_t(first) + std::max(count, 0);
    if (chunk.next < first || chunk.next > end)
        malformed();
    const int32_t code = typed(all[1], VarType::I4).toI4();
    if (code != 0) {
        chunk.failure = ItemFailure{code, typed(all[2], VarType::BStr).toBStr(), typed(all[3], VarType::BStr).toBStr()};
        // The failing index is the one not walked, and lies in the range.
        if (chunk.next >= end)
            malformed();
    }
}

} // namespace

Variant encodePipes(const PipeChunk& chunk)
{
    const std::vector<PipeRow>& rows = chunk.rows;
    const auto text = [](const std::u16string& s) { return Variant::bstr(s); };
    const auto real = [](double d) { return Variant::r8(d); };
    std::vector<Variant> all = header(chunk.next, chunk.failure).toArray().elements;
    all.push_back(column(rows, &PipeRow::layer, text));
    all.push_back(column(rows, &PipeRow::objectId, [](int64_t id) { return Variant::i8(id); }));
    all.push_back(column(rows, &PipeRow::handle, text));
    all.push_back(column(rows, &PipeRow::length, real));
    all.push_back(column(rows, &PipeRow::outerDiameter, real));
    all.push_back(column(rows, &PipeRow::innerDiameter, real));
    return Variant::array(std::move(all));
}

Variant encodeMatches(const MatchChunk& chunk)
{
    std::vector<Variant> all = header(chunk.next, chunk.failure).toArray().elements;
    std::vector<Variant> handles;
    handles.reserve(chunk.handles.size());
    for (const std::u16string& handle : chunk.handles)
        handles.push_back(Variant::bstr(handle));
    all.push_back(Variant::array(std::move(handles)));
    return Variant::array(std::move(all));
}

Variant encodeLayers(const LayerChunk& chunk)
{
    const std::vector<LayerRecord>& records = chunk.records;
    const auto flag = [](bool b) { return Variant::boolean(b); };
    std::vector<Variant> all = header(chunk.next, chunk.failure).toArray().elements;
    all.push_back(column(records, &LayerRecord::name, [](const std::u16string& s) { return Variant::bstr(s); }));
    all.push_back(column(records, &LayerRecord::lock, flag));
    all.push_back(column(records, &LayerRecord::freeze, flag));
    all.push_back(column(records, &LayerRecord::on, flag));
    return Variant::array(std::move(all));
}

PipeChunk decodePipes(const Variant& answer, int32_t first, int32_t count)
{
    const std::vector<Variant>& all = elements(answer, headerSize + pipeColumns);
    PipeChunk chunk;
    readHeader(all, first, count, chunk);
    const std::vector<Variant>& layers = anyElements(all[4]);
    const size_t rows = layers.size();
    // No more rows than entities walked.
    if (rows > size_t(chunk.next - first))
        malformed();
    const std::vector<Variant>* columns[pipeColumns];
    for (size_t c = 0; c < pipeColumns; ++c) {
        columns[c] = &elements(all[headerSize + c], rows);
    }
    chunk.rows.resize(rows);
    for (size_t r = 0; r < rows; ++r) {
        PipeRow& row = chunk.rows[r];
        row.layer = typed((*columns[0])[r], VarType::BStr).toBStr();
        row.objectId = typed((*columns[1])[r], VarType::I8).toI8();
        row.handle = typed((*columns[2])[r], VarType::BStr).toBStr();
        row.length = typed((*columns[3])[r], VarType::R8).toR8();
        row.outerDiameter = typed((*columns[4])[r], VarType::R8).toR8();
        row.innerDiameter = typed((*columns[5])[r], VarType::R8).toR8();
    }
    return chunk;
}

MatchChunk decodeMatches(const Variant& answer, int32_t first, int32_t count)
{
    const std::vector<Variant>& all = elements(answer, headerSize + 1);
    MatchChunk chunk;
    readHeader(all, first, count, chunk);
    const std::vector<Variant>& handles = anyElements(all[4]);
    if (handles.size() > size_t(chunk.next - first))
        malformed();
    for (const Variant& handle : handles) {
        std::u16string text = typed(handle, VarType::BStr).toBStr();
        // A handle goes between quotes into a command line: whoever answered,
        // only a handle is taken.
        if (!isEntityHandle(text))
            malformed();
        chunk.handles.push_back(std::move(text));
    }
    return chunk;
}

LayerChunk decodeLayers(const Variant& answer, int32_t first, int32_t count)
{
    const std::vector<Variant>& all = elements(answer, headerSize + layerColumns);
    LayerChunk chunk;
    readHeader(all, first, count, chunk);
    // Every layer walked gives its record.
    const size_t records = size_t(chunk.next - first);
    const std::vector<Variant>* columns[layerColumns];
    for (size_t c = 0; c < layerColumns; ++c)
        columns[c] = &elements(all[headerSize + c], records);
    chunk.records.resize(records);
    for (size_t r = 0; r < records; ++r) {
        LayerRecord& record = chunk.records[r];
        record.name = typed((*columns[0])[r], VarType::BStr).toBStr();
        record.lock = typed((*columns[1])[r], VarType::Bool).toBool();
        record.freeze = typed((*columns[2])[r], VarType::Bool).toBool();
        record.on = typed((*columns[3])[r], VarType::Bool).toBool();
    }
    return chunk;
}

} // namespace walk
