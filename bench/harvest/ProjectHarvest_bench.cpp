// What the user waits for with "Получить размеры труб из чертежей…": the
// real main window against the CAD simulator running as a separate process,
// on a project of 20 drawings of 1,000 pipes among 2,000 entities each,
// written by ezdxf (write_project.py), from the command to the rows stored.
// Timed three ways:
//   - through the CAD's reader of drawings without the editor, walked by the
//     walker the simulator loads;
//   - through the editor (the simulator has no reader: each drawing opened
//     read only, read and closed), walked the same way;
//   - one drawing harvested by "Получить размеры труб", for the sum of 20.
// The summary sets the two project harvests beside twenty single harvests.
// Run it under xvfb-run for the window on a display.
#include "ProgramAndCad.h"
#include "../common/QtBenchmarkMain.h"

#include "app/TWMain.h"
#include "data/TSpecData.h"
#include "platform/db/Dataset.h"
#include "spec/TSpecification.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

using namespace automation;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int projectDrawings = 20;
constexpr int pipesPerDrawing = 1000;
constexpr int othersPerDrawing = 1000;

struct Project : ProgramAndCad {
    QStringList drawings;

    bool start()
    {
        if (!prepare())
            return false;
        // The project, as another program writes drawings.
        QDir().mkpath(folder.filePath("project"));
        const int written = QProcess::execute(QStringLiteral("/usr/bin/python3"),
                                              {QStringLiteral(VEDORIS_WRITE_PROJECT), folder.filePath("project"),
                                               QString::number(projectDrawings), QString::number(pipesPerDrawing),
                                               QString::number(othersPerDrawing)});
        if (written != 0) {
            std::fprintf(stderr, "write_project.py failed (is python3-ezdxf installed?)\n");
            return false;
        }
        for (const QString& name : QDir(folder.filePath("project")).entryList({"*.dwg"}, QDir::Files, QDir::Name))
            drawings << folder.filePath("project/" + name);
        // The user's own drawing, which the CAD shows meanwhile.
        QFile own(ownDrawing());
        if (!own.open(QIODevice::WriteOnly) || own.write("0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n") < 0)
            return false;
        own.close();

        TWMain& window = session->mainWindow();
        window.chooseDrawings = [this] { return drawings; };
        window.storeWhatWasRead = [](const std::vector<DrawingRead>&) { return true; };
        return startCad({}, ownDrawing()) && showWindow();
    }

    QString ownDrawing() const { return folder.filePath("own.dxf"); }
};

Project* project = nullptr;

struct Figures {
    double throughReader = 0;
    double throughEditor = 0;
    double oneDrawing = 0;
} figures;

// Runs one menu command `command` per iteration, checking the rows stored.
void timeCommand(benchmark::State& state, void (TWMain::*command)(), int expectedRows, double& into)
{
    TWMain& window = project->session->mainWindow();
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        (window.*command)();
        total += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (project->storedRows() != expectedRows || !project->quiet.shown.isEmpty())
            state.SkipWithError("the command did not store every pipe");
    }
    into = total / static_cast<double>(state.iterations());
    state.counters["rows"] = project->storedRows();
}

void BM_ProjectThroughTheReader(benchmark::State& state)
{
    if (!project->startCad({}, project->ownDrawing()))
        return state.SkipWithError("cadsim did not start");
    timeCommand(state, &TWMain::N10Click, projectDrawings * pipesPerDrawing, figures.throughReader);
}
BENCHMARK(BM_ProjectThroughTheReader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_ProjectThroughTheEditor(benchmark::State& state)
{
    if (!project->startCad({"--no-drawing-reader"}, project->ownDrawing()))
        return state.SkipWithError("cadsim did not start");
    timeCommand(state, &TWMain::N10Click, projectDrawings * pipesPerDrawing, figures.throughEditor);
}
BENCHMARK(BM_ProjectThroughTheEditor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_OneDrawing(benchmark::State& state)
{
    if (!project->startCad({}, project->drawings.front()))
        return state.SkipWithError("cadsim did not start");
    timeCommand(state, &TWMain::N3Click, pipesPerDrawing, figures.oneDrawing);
}
BENCHMARK(BM_OneDrawing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarksWith<QApplication>(argc, argv, project, [] {
        std::printf("\n%d drawings of %d pipes among %d entities each, on %s:\n", projectDrawings, pipesPerDrawing,
                    pipesPerDrawing + othersPerDrawing, qPrintable(QGuiApplication::platformName()));
        std::printf("  through the reader, walked inside the CAD  %8.0f ms\n", figures.throughReader);
        std::printf("  through the editor, each drawing opened     %8.0f ms\n", figures.throughEditor);
        std::printf("  20 one-drawing harvests (20 x %.0f ms)       %8.0f ms\n", figures.oneDrawing,
                    20 * figures.oneDrawing);
        if (figures.oneDrawing > 0)
            std::printf("  the editor's project / 20 harvests          %8.2f\n",
                        figures.throughEditor / (20 * figures.oneDrawing));
    });
}
