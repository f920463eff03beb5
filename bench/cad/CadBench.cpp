// Attaching to a drawing and selecting by ObjectID, against the simulated CAD
// application's object model in-process: what is measured is the CAD link's
// own work plus the model's, without the cost of crossing processes.

#include "cad/GetXDataValue.h"
#include "cad/SelectEntityById.h"
#include "cad/TAbstrAcadObj.h"
#include "cad/CadEnvironment.h"
#include "platform/automation/ObjectRegistry.h"

#include "cadsim/model/Simulator.h"

#include <benchmark/benchmark.h>

namespace {

cadsim::Drawing drawingWithLayers(int count)
{
    cadsim::Drawing drawing(u"layers.dwg");
    for (int i = 0; i < count; ++i)
        drawing.addLayer(cadsim::Layer{u"Layer" + QString::number(i).toStdU16String(), i % 2 == 0, i % 3 == 0, true});
    return drawing;
}

void BM_AttachToDrawingWithLayers(benchmark::State& state)
{
    const cadsim::Simulator sim(drawingWithLayers(static_cast<int>(state.range(0))));
    const auto running = automation::registerActiveObject(u"AutoCAD.Application", sim.application());
    for (auto _ : state) {
        TAbstrAcadObj acad;
        benchmark::DoNotOptimize(acad.FSavedLayers()->Count());
    }
}
BENCHMARK(BM_AttachToDrawingWithLayers)->Arg(1000)->Unit(benchmark::kMillisecond);

// The walk over model space for one id matching the middle entity. With
// `realPoll` the 200 ms pause before the idle question is real, as in the
// program; otherwise it is skipped to show the walk alone.
void BM_SelectEntityById(benchmark::State& state)
{
    const int entities = static_cast<int>(state.range(0));
    const bool realPoll = state.range(1) != 0;
    cadsim::Drawing drawing(u"entities.dwg");
    drawing.addLayer(u"0");
    int64_t wanted = 0;
    for (int i = 0; i < entities; ++i) {
        cadsim::Entity entity;
        entity.dxfName = u"3DSOLID";
        entity.layer = u"0";
        const int64_t id = drawing.addEntity(std::move(entity)).objectId;
        if (i == entities / 2)
            wanted = id;
    }
    cadsim::Simulator sim(std::move(drawing));
    const auto running = automation::registerActiveObject(u"AutoCAD.Application", sim.application());

    CadEnvironment environment = CadEnvironment::system();
    if (!realPoll)
        environment.sleepMilliseconds = [](int) {};
    const CadEnvironment previous = setCadEnvironment(environment);
    for (auto _ : state)
        SelectEntityById(wanted);
    setCadEnvironment(previous);
    state.counters["commands"] = static_cast<double>(sim.commands().size());
}
BENCHMARK(BM_SelectEntityById)
    ->ArgsProduct({{100000}, {0, 1}})
    ->ArgNames({"entities", "realPoll"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// A bare CAD with prebuilt entities that answer by a plain comparison of
// member names: what remains is the CAD link's own cost per entity.
class LightObject final : public automation::Dispatch {
public:
    using Answer = std::function<automation::Variant(std::u16string_view, automation::Args)>;
    explicit LightObject(Answer answer) : m_answer(std::move(answer)) {}
    automation::Variant invoke(std::u16string_view member, automation::InvokeKind, automation::Args args) override
    {
        return m_answer(member, args);
    }

private:
    Answer m_answer;
};

void BM_SelectEntityByIdLightModel(benchmark::State& state)
{
    using automation::Variant;
    const int count = static_cast<int>(state.range(0));
    std::vector<Variant> entities;
    entities.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Variant id = Variant::i8((int64_t{1} << 32) + i);
        entities.push_back(Variant::dispatch(std::make_shared<LightObject>([id](std::u16string_view member, automation::Args) {
            return member == u"ObjectID" ? id : Variant::bstr(u"1F");
        })));
    }
    const auto modelSpace = std::make_shared<LightObject>([&](std::u16string_view member, automation::Args args) {
        return member == u"Count" ? Variant::i4(count) : entities[static_cast<size_t>(args[0].value().toI4())];
    });
    const auto selection = std::make_shared<LightObject>([](std::u16string_view, automation::Args) { return Variant::i4(0); });
    const auto layers = std::make_shared<LightObject>([](std::u16string_view, automation::Args) { return Variant::i4(0); });
    const auto idle = std::make_shared<LightObject>([](std::u16string_view, automation::Args) { return Variant::boolean(true); });
    const auto document = std::make_shared<LightObject>([&](std::u16string_view member, automation::Args) {
        if (member == u"ModelSpace")
            return Variant::dispatch(modelSpace);
        if (member == u"Layers")
            return Variant::dispatch(layers);
        if (member == u"PickfirstSelectionSet")
            return Variant::dispatch(selection);
        return Variant();
    });
    const auto application = std::make_shared<LightObject>([&](std::u16string_view member, automation::Args) {
        if (member == u"ActiveDocument")
            return Variant::dispatch(document);
        if (member == u"GetAcadState")
            return Variant::dispatch(idle);
        return Variant::bstr(u"Light CAD");
    });
    const auto running = automation::registerActiveObject(u"AutoCAD.Application", application);
    CadEnvironment environment = CadEnvironment::system();
    environment.sleepMilliseconds = [](int) {};
    const CadEnvironment previous = setCadEnvironment(environment);
    for (auto _ : state)
        SelectEntityById((int64_t{1} << 32) + count / 2);
    setCadEnvironment(previous);
}
BENCHMARK(BM_SelectEntityByIdLightModel)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
