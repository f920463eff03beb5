// Building a large drawing and walking it through the automation helpers the
// way the pipe harvest does: Count once, then Item and EntityType for every
// entity, GetXData for every solid, Layer, ObjectID and a second GetXData for
// every pipe.

#include "cadsim/model/Drawing.h"
#include "cadsim/model/Simulator.h"

#include "platform/automation/Dispatch.h"

#include <benchmark/benchmark.h>

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

void HarvestWalk(benchmark::State& state)
{
    Simulator sim(largeDrawing());
    const Variant app = sim.applicationVariant();
    for (auto _ : state) {
        const Variant modelSpace = get(get(app, u"ActiveDocument"), u"ModelSpace");
        const int32_t count = get(modelSpace, u"Count").toI4();
        double length = 0;
        for (int32_t i = 0; i < count; ++i) {
            const Variant entity = call(modelSpace, u"Item", Variant::i4(i));
            if (get(entity, u"EntityType").toI4() != 3)
                continue;
            const Variant kind = xdataValue(entity, 1070);
            if (kind.type() != VarType::I2 || kind.toI2() != 10)
                continue;
            benchmark::DoNotOptimize(get(entity, u"Layer"));
            benchmark::DoNotOptimize(get(entity, u"ObjectID"));
            length += xdataValue(entity, 1010).at(0).toR8();
        }
        benchmark::DoNotOptimize(length);
    }
    state.SetItemsProcessed(state.iterations() * (pipes + others));
}
BENCHMARK(HarvestWalk)->Unit(benchmark::kMillisecond);

// The selection's walk: Item and ObjectID for every entity.
void SelectionWalk(benchmark::State& state)
{
    Simulator sim(largeDrawing());
    const Variant app = sim.applicationVariant();
    for (auto _ : state) {
        const Variant modelSpace = get(get(app, u"ActiveDocument"), u"ModelSpace");
        const int32_t count = get(modelSpace, u"Count").toI4();
        int matches = 0;
        for (int32_t i = 0; i < count; ++i)
            matches += numericEquals(get(call(modelSpace, u"Item", Variant::i4(i)), u"ObjectID"),
                                     Variant::i4(Drawing::firstObjectId + 8 * 777));
        benchmark::DoNotOptimize(matches);
    }
    state.SetItemsProcessed(state.iterations() * (pipes + others));
}
BENCHMARK(SelectionWalk)->Unit(benchmark::kMillisecond);

} // namespace
