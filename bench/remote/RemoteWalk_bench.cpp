// Calls across processes into the cadsim program: the bare round trip of a
// call without arguments, and a harvest-shaped walk of a drawing with 10,000
// pipe solids and 10,000 other entities (5,000 solids without pipe data,
// 5,000 lines):
//   model space Count once; per entity Item and EntityType; per solid
//   GetXData("trb"); per pipe Layer, ObjectID and a second GetXData.
// Each proxy's release crosses too, as a one-way message.
#include "../common/QtBenchmarkMain.h"
#include "../common/HarvestShapedWalk.h"
#include "../common/WalkDrawing.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/remote/ClientBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace automation;

namespace {

// The cadsim program on the walk drawing, for the whole run.
struct Server {
    QTemporaryDir folder;
    QProcess process;
    Variant app;

    bool start()
    {
        const QString run = folder.filePath("run");
        QFile(run).remove();
        if (!QDir().mkpath(run) || !QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return false;
        ::setenv("XDG_RUNTIME_DIR", QFile::encodeName(run).constData(), 1);
        QFile dxf(folder.filePath("walk.dxf"));
        if (!dxf.open(QIODevice::WriteOnly) || dxf.write(walkDrawing()) < 0)
            return false;
        dxf.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_DATA_HOME", folder.filePath("data"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationDirPath() + "/cadsim",
                      {"--settings", folder.filePath("cadsim.ini"), dxf.fileName()});
        remote::installClientBackend();
        const std::optional<Variant> served = attachWhenServing(process);
        if (served)
            app = *served;
        return served.has_value();
    }

    void stop()
    {
        app.clear();
        endProcess(process);
    }
};

Server* server = nullptr;

void BM_EmptyCallRoundTrip(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(get(server->app, u"Version"));
    state.counters["call_rate"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EmptyCallRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();


void BM_HarvestWalk(benchmark::State& state)
{
    int64_t calls = 0;
    int pipes = 0;
    for (auto _ : state) {
        const WalkCount walked = walkLikeTheHarvest(server->app);
        calls = walked.calls;
        pipes = walked.pipes;
    }
    if (pipes != walkPipeCount)
        state.SkipWithError("the walk did not find every pipe");
    state.counters["calls"] = static_cast<double>(calls);
    state.counters["pipes"] = pipes;
    state.counters["call_rate"] = benchmark::Counter(static_cast<double>(calls) * static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HarvestWalk)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarksWith<QCoreApplication>(argc, argv, server, [] {});
}
