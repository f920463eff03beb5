// What the user waits for: "Получить размеры труб" from the real main window
// against the CAD simulator running as a separate process, on a
// drawing of 10,000 pipe solids among 10,000 other entities (5,000 solids
// without pipe data, 5,000 lines), from the command to the rows stored. It
// includes the one 200 ms idle poll after the load command and the save.
// Timed twice: with the walk inside the simulator (the walker it loads) and
// with the walk in the program (the simulator refusing interface objects),
// each with the calls that crossed between the processes, counted by the
// simulator. Then "Выделить" on the last row, both ways.
//
// Beside it, in the same run:
//   - the walk alone: the harvest's 85,003 calls (model space Count once; per
//     entity Item and EntityType; per solid GetXData; per pipe Layer,
//     ObjectID and a second GetXData);
//   - the round trip of an empty call (Version);
//   - the floor: a blocking socket-pair ping-pong with a child process.
// The summary at the end sets them side by side, with the CPU time each
// process spent in the harvest. All of it runs twice, each time in a process
// of its own: with the window on Qt's offscreen platform and on the display
// (xcb, under xvfb-run); the last lines compare the two harvests.
#include "EchoPeer.h"
#include "ProgramAndCad.h"
#include "../common/OnEachPlatform.h"
#include "../common/HarvestShapedWalk.h"
#include "../common/WalkDrawing.h"

#include "app/TWMain.h"
#include "data/TSpecData.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/remote/ClientBackend.h"
#include "platform/db/Dataset.h"
#include "spec/TSpecification.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

using namespace automation;
using Clock = std::chrono::steady_clock;

namespace {

// CPU time (user + system) of a process, in milliseconds.
double cpuOfThisProcess()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double cpuOfProcess(qint64 pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t end = text.rfind(')'); // the command name may hold blanks
    if (end == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) * 1e3 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The program as the user has it, and the CAD simulator on the drawing.
struct Setup : ProgramAndCad {
    bool start()
    {
        if (!prepare())
            return false;
        QFile dxf(drawing());
        if (!dxf.open(QIODevice::WriteOnly) || dxf.write(walkDrawing()) < 0)
            return false;
        dxf.close();
        // The session's platform services find the simulator once it serves.
        return startCadCounting({}) && showWindow();
    }

    // The simulator on the drawing, counting the calls it serves; `options`
    // come before its own (--no-interface-objects: the walk of old).
    bool startCadCounting(const QStringList& options)
    {
        // The same ObjectIDs in every run, as in one session of a CAD: the
        // rows of one harvest name the entities of the next run.
        return startCad(options + QStringList{"--id-seed", "7", "--count-calls", countsFile()}, drawing());
    }

    // Ends the simulator, which writes what it served, and starts it anew.
    // Calls from the program's process to the simulator's, since its start.
    int64_t restartCad(const QStringList& options)
    {
        application.clear();
        endProcess(cad);
        int64_t crossing = 0;
        QFile counts(countsFile());
        if (counts.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : counts.readAll().split('\n')) {
                if (line.startsWith("name lookups ") || line.startsWith("invocations "))
                    crossing += line.mid(line.lastIndexOf(' ') + 1).toLongLong();
            }
        }
        startCadCounting(options);
        return crossing;
    }

    QString drawing() const { return folder.filePath("walk.dxf"); }
    QString countsFile() const { return folder.filePath("calls.txt"); }
};

Setup* setup = nullptr;
EchoPeer* echo = nullptr;

// Figures for the summary, per iteration.
struct Figures {
    double rawMicroseconds = 0;
    double emptyCallMicroseconds = 0;
    double walkMilliseconds = 0;
    double readMilliseconds = 0;
    double harvestMilliseconds = 0;
    double harvestCrossing = 0;
    double harvestHereMilliseconds = 0;
    double harvestHereCrossing = 0;
    double selectMilliseconds = 0;
    double selectCrossing = 0;
    double selectHereMilliseconds = 0;
    double selectHereCrossing = 0;
    double harvestCpuVedoris = 0;
    double harvestCpuCadsim = 0;
    double walkCpuVedoris = 0;
    double walkCpuCadsim = 0;
    double idleCpuVedoris = -1;
    double idleCpuCadsim = -1;
} figures;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void BM_RawBlockingRoundTrip(benchmark::State& state)
{
    const auto start = Clock::now();
    for (auto _ : state)
        if (!echo->roundTrip())
            state.SkipWithError("the echo process is gone");
    figures.rawMicroseconds = millisecondsSince(start) * 1e3 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RawBlockingRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_EmptyCall(benchmark::State& state)
{
    const auto start = Clock::now();
    for (auto _ : state)
        benchmark::DoNotOptimize(get(setup->application, u"Version"));
    figures.emptyCallMicroseconds = millisecondsSince(start) * 1e3 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EmptyCall)->Unit(benchmark::kMicrosecond)->UseRealTime();


void BM_Walk(benchmark::State& state)
{
    int64_t calls = 0;
    int pipes = 0;
    const auto start = Clock::now();
    const double cpuStart = cpuOfThisProcess();
    const double cadStart = cpuOfProcess(setup->cad.processId());
    for (auto _ : state) {
        const WalkCount walked = walkLikeTheHarvest(setup->application);
        calls = walked.calls;
        pipes = walked.pipes;
    }
    const auto n = static_cast<double>(state.iterations());
    figures.walkMilliseconds = millisecondsSince(start) / n;
    figures.walkCpuVedoris = (cpuOfThisProcess() - cpuStart) / n;
    figures.walkCpuCadsim = (cpuOfProcess(setup->cad.processId()) - cadStart) / n;
    if (pipes != walkPipeCount)
        state.SkipWithError("the walk did not find every pipe");
    state.counters["calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_Walk)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The program's own reading of the drawing, as the command runs it, without
// the save: attaching, installing and loading the pipe program (with its one
// 200 ms idle poll) and the walk.
void BM_ReadFromDrawing(benchmark::State& state)
{
    const auto start = Clock::now();
    for (auto _ : state) {
        setup->quiet.shown.clear();
        TSpecification specification(0);
        specification.ReadFromDrawing();
        if (specification.FCount() != walkPipeCount || !setup->quiet.shown.isEmpty())
            state.SkipWithError("the harvest did not read every pipe");
    }
    figures.readMilliseconds = millisecondsSince(start) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadFromDrawing)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// "Получить размеры труб" from the window, to the rows stored; `inCad`: with
// the walk inside the simulator (its walker), or in the program.
void userHarvest(benchmark::State& state, bool inCad, double& milliseconds, double& crossingPerEntity)
{
    QAction* harvest = setup->session->mainWindow().findChild<QAction*>(QStringLiteral("N3"));
    if (!harvest) {
        state.SkipWithError("the main window has no harvest command");
        return;
    }
    const QStringList options = inCad ? QStringList{} : QStringList{"--no-interface-objects"};
    setup->restartCad(options);
    const auto start = Clock::now();
    const double cpuStart = cpuOfThisProcess();
    const double cadStart = cpuOfProcess(setup->cad.processId());
    for (auto _ : state) {
        setup->quiet.shown.clear();
        harvest->trigger();
        if (!setup->quiet.shown.isEmpty())
            state.SkipWithError(("the harvest said: " + setup->quiet.shown.join(" | ")).toStdString().c_str());
        if (SpecData->TTruba->recordCount() != walkPipeCount)
            state.SkipWithError("not every pipe was stored");
    }
    const auto n = static_cast<double>(state.iterations());
    milliseconds = millisecondsSince(start) / n;
    if (inCad) {
        figures.harvestCpuVedoris = (cpuOfThisProcess() - cpuStart) / n;
        figures.harvestCpuCadsim = (cpuOfProcess(setup->cad.processId()) - cadStart) / n;
    }
    crossingPerEntity = double(setup->restartCad({})) / n / (walkPipeCount + walkOtherCount);
    state.counters["rows"] = walkPipeCount;
    state.counters["crossing_calls_per_entity"] = crossingPerEntity;
}

void BM_UserHarvest(benchmark::State& state)
{
    userHarvest(state, true, figures.harvestMilliseconds, figures.harvestCrossing);

    // Nobody calls now: neither side may burn CPU waiting for the other.
    const double idleStart = cpuOfThisProcess();
    const double idleCadStart = cpuOfProcess(setup->cad.processId());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    figures.idleCpuVedoris = cpuOfThisProcess() - idleStart;
    figures.idleCpuCadsim = cpuOfProcess(setup->cad.processId()) - idleCadStart;
}
BENCHMARK(BM_UserHarvest)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_UserHarvestWalkedHere(benchmark::State& state)
{
    userHarvest(state, false, figures.harvestHereMilliseconds, figures.harvestHereCrossing);
}
BENCHMARK(BM_UserHarvestWalkedHere)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// "Выделить" on the last row, from the window to the selection made, the
// search through all 20,000 entities included.
void userSelect(benchmark::State& state, bool inCad, double& milliseconds, double& crossingPerEntity)
{
    QAction* select = setup->session->mainWindow().findChild<QAction*>(QStringLiteral("N9"));
    if (!select || SpecData->TTruba->recordCount() != walkPipeCount) {
        state.SkipWithError("no harvested rows to select from");
        return;
    }
    setup->restartCad(inCad ? QStringList{} : QStringList{"--no-interface-objects"});
    SpecData->TTruba->last();
    const Variant selection = get(get(setup->application, u"ActiveDocument"), u"PickfirstSelectionSet");
    const auto start = Clock::now();
    for (auto _ : state) {
        setup->quiet.shown.clear();
        select->trigger();
        if (!setup->quiet.shown.isEmpty() || get(selection, u"Count").toI4() != 1)
            state.SkipWithError("the row's pipe was not selected");
    }
    const auto n = static_cast<double>(state.iterations());
    milliseconds = millisecondsSince(start) / n;
    crossingPerEntity = double(setup->restartCad({})) / n / (walkPipeCount + walkOtherCount);
    state.counters["crossing_calls_per_entity"] = crossingPerEntity;
}

void BM_UserSelect(benchmark::State& state)
{
    userSelect(state, true, figures.selectMilliseconds, figures.selectCrossing);
}
BENCHMARK(BM_UserSelect)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_UserSelectWalkedHere(benchmark::State& state)
{
    userSelect(state, false, figures.selectHereMilliseconds, figures.selectHereCrossing);
}
BENCHMARK(BM_UserSelectWalkedHere)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void printSummary()
{
    const double ratio = figures.emptyCallMicroseconds / figures.rawMicroseconds;
    auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
    std::printf("\nSummary of this run\n"
                "  raw blocking round trip (socket pair, two processes): %8.2f us\n"
                "  empty call round trip:                                %8.2f us  = %.2f x raw (target <= 0.25: %s)\n"
                "  walk alone from the program (85,003 calls):           %8.1f ms\n"
                "      CPU per walk: Vedoris %.0f ms, cadsim %.0f ms\n"
                "  the program's reading of the drawing (200 ms poll in):%8.1f ms\n"
                "  whole harvest, the walk inside the CAD:               %8.1f ms  (target <= 300: %s)\n"
                "      calls between the processes per entity:           %8.4f     (target <= 0.01: %s)\n"
                "      CPU per harvest: Vedoris %.0f ms, cadsim %.0f ms\n"
                "  whole harvest, the walk in the program:               %8.1f ms, %.2f calls between the processes per entity\n"
                "  Выделить on the last row, the walk inside the CAD:    %8.1f ms, %.4f calls per entity\n"
                "  Выделить on the last row, the walk in the program:    %8.1f ms, %.2f calls per entity\n"
                "  CPU in the 2 s after the harvest, nobody calling:     Vedoris %.0f ms, cadsim %.0f ms\n",
                figures.rawMicroseconds, figures.emptyCallMicroseconds, ratio, verdict(ratio <= 0.25),
                figures.walkMilliseconds, figures.walkCpuVedoris, figures.walkCpuCadsim, figures.readMilliseconds,
                figures.harvestMilliseconds, verdict(figures.harvestMilliseconds <= 300), figures.harvestCrossing,
                verdict(figures.harvestCrossing <= 0.01), figures.harvestCpuVedoris, figures.harvestCpuCadsim,
                figures.harvestHereMilliseconds, figures.harvestHereCrossing, figures.selectMilliseconds,
                figures.selectCrossing, figures.selectHereMilliseconds, figures.selectHereCrossing,
                figures.idleCpuVedoris, figures.idleCpuCadsim);
}

void reportFigures()
{
    bench::reportFigure("raw_us", figures.rawMicroseconds);
    bench::reportFigure("empty_call_us", figures.emptyCallMicroseconds);
    bench::reportFigure("walk_ms", figures.walkMilliseconds);
    bench::reportFigure("harvest_ms", figures.harvestMilliseconds);
    bench::reportFigure("harvest_here_ms", figures.harvestHereMilliseconds);
    bench::reportFigure("select_ms", figures.selectMilliseconds);
}

int runChild(int argc, char** argv)
{
    // The echo process is a fork of this one, so it comes before any thread.
    EchoPeer peer;
    if (!peer.start()) {
        std::fprintf(stderr, "cannot start the echo process\n");
        return 1;
    }
    echo = &peer;

    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Setup s;
    if (!s.start()) {
        std::fprintf(stderr, "the program or the CAD simulator did not start\n");
        s.stop();
        peer.stop();
        return 1;
    }
    setup = &s;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    s.stop();
    peer.stop();
    printSummary();
    reportFigures();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!bench::childPlatform().empty())
        return runChild(argc, argv);

    const std::vector<bench::PlatformRun> runs = bench::runOnEachPlatform(argc, argv);
    const bench::PlatformRun& offscreen = runs.front();
    const bench::PlatformRun& display = runs.back();
    std::printf("\nThe harvest from the command to the rows stored, by platform\n");
    for (const bench::PlatformRun& run : runs) {
        if (run.ran)
            std::printf("  %-9s %8.1f ms  (walked in the program %.1f ms; Выделить %.1f ms; raw round trip %.2f us)\n",
                        run.platform.c_str(), run.figure("harvest_ms"), run.figure("harvest_here_ms"),
                        run.figure("select_ms"), run.figure("raw_us"));
        else
            std::printf("  %-9s not run (%s)\n", run.platform.c_str(), run.why.c_str());
    }
    if (offscreen.ran && display.ran && offscreen.figure("harvest_ms") > 0) {
        const double ratio = display.figure("harvest_ms") / offscreen.figure("harvest_ms");
        std::printf("  on the display: %+.1f %% of the offscreen harvest (target within 10 %%: %s)\n",
                    (ratio - 1) * 100, ratio <= 1.10 ? "met" : "NOT met");
    }
    return offscreen.ran && display.ran ? 0 : 1;
}
