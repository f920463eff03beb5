// Building a large drawing and walking it through the automation helpers the
// way the pipe harvest does: Count once, then Item and EntityType for every
// entity, GetXData for every solid, Layer, ObjectID and a second GetXData for
// every pipe. Beside them, the load of a DXF file whose entities lie on one
// layer or each on its own: the second should cost no more than twice the
// first, since every entity looks its layer up.

#include "cadsim/app/DxfReader.h"
#include "cadsim/model/Drawing.h"
#include "cadsim/model/Simulator.h"

#include "platform/automation/Dispatch.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace automation;
using namespace cadsim;

namespace {

constexpr int pipes = 10000;
constexpr int others = 10000;

Drawing largeDrawing()
{
    Drawing d(u"large.dxf");
    for (int i = 0; i < pipes; ++i) {
        d.addPipe(i % 2 ? u"PIPES" : u"Трубы", 100.0 + i, 25, 20);
        if (i % 2)
            d.addLine(u"0");
        else
            d.addSolid(u"0");
    }
    return d;
}

Variant xdataValue(const Variant& entity, int code)
{
    Variant types;
    Variant values;
    call(entity, u"GetXData", Variant::bstr(u"trb"), Arg::ref(types), Arg::ref(values));
    Variant found = Variant::null();
    if (types.isEmpty())
        return found;
    for (int32_t i = 0; i <= types.upperBound(); ++i)
        if (types.at(i).toI4() == code)
            found = values.at(i);
    return found;
}

void BuildDrawing(benchmark::State& state)
{
    for (auto _ : state) {
        Drawing d = largeDrawing();
        benchmark::DoNotOptimize(d.entities().data());
    }
    state.SetItemsProcessed(state.iterations() * (pipes + others));
}
BENCHMARK(BuildDrawing)->Unit(benchmark::kMillisecond);

// Every entity of the large drawing's model space, asked for by Item as the
// harvest asks, once an iteration; `visit` sees each.
template <typename Visit>
void walkLargeDrawing(benchmark::State& state, Visit&& visit)
{
    Simulator sim(largeDrawing());
    const Variant app = sim.applicationVariant();
    for (auto _ : state) {
        const Variant modelSpace = get(get(app, u"ActiveDocument"), u"ModelSpace");
        const int32_t count = get(modelSpace, u"Count").toI4();
        for (int32_t i = 0; i < count; ++i)
            visit(call(modelSpace, u"Item", Variant::i4(i)));
    }
    state.SetItemsProcessed(state.iterations() * (pipes + others));
}

void HarvestWalk(benchmark::State& state)
{
    double length = 0;
    walkLargeDrawing(state, [&](const Variant& entity) {
        if (get(entity, u"EntityType").toI4() != 3)
            return;
        const Variant kind = xdataValue(entity, 1070);
        if (kind.type() != VarType::I2 || kind.toI2() != 10)
            return;
        benchmark::DoNotOptimize(get(entity, u"Layer"));
        benchmark::DoNotOptimize(get(entity, u"ObjectID"));
        length += xdataValue(entity, 1010).at(0).toR8();
    });
    benchmark::DoNotOptimize(length);
}
BENCHMARK(HarvestWalk)->Unit(benchmark::kMillisecond);

// The selection's walk: Item and ObjectID for every entity.
void SelectionWalk(benchmark::State& state)
{
    int matches = 0;
    walkLargeDrawing(state, [&](const Variant& entity) {
        matches += numericEquals(get(entity, u"ObjectID"), Variant::i4(Drawing::firstObjectId + 8 * 777));
    });
    benchmark::DoNotOptimize(matches);
}
BENCHMARK(SelectionWalk)->Unit(benchmark::kMillisecond);

// 20,000 pipe solids in a DXF file, spread over `layers` layers. The layers
// come with the entities, as in a file written without a LAYER table, so
// that both files are the same but for the layer names.
std::string layeredDxf(int layers)
{
    constexpr int solids = 20000;
    std::string out = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1021\n0\nENDSEC\n"
                      "0\nSECTION\n2\nENTITIES\n";
    for (int i = 0; i < solids; ++i)
        out += "0\n3DSOLID\n5\n" + std::to_string(0x100 + i) + "\n8\nPipes_" + std::to_string(i % layers)
               + "\n1001\ntrb\n1070\n10\n1010\n" + std::to_string(1000 + i) + "\n1020\n25.0\n1030\n20.0\n";
    return out + "0\nENDSEC\n0\nEOF\n";
}

void LoadDrawing(benchmark::State& state)
{
    const std::string dxf = layeredDxf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Drawing d = readDxf(dxf, u"layers.dxf");
        benchmark::DoNotOptimize(d.layers().data());
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}
BENCHMARK(LoadDrawing)->ArgName("layers")->Arg(1)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
