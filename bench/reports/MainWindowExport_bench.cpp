// "Экспорт в Excel" as the user runs it: from the main window's menu, with the
// grid attached and following the current row down 20,000 pipes, through the
// spreadsheet stand-in to a written .xlsx file. Timed from the command to the
// workbook written.
#include "GeneratedPipes.h"
#include "WrittenWorkbooks.h"
#include "app/Session.h"
#include "app/TWMain.h"
#include "data/TSpecData.h"

#include "ui_WMain.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int Pipes = 20000;

void BM_MainWindowPipeListExport(benchmark::State& state)
{
    TestDatabase file;
    file.addRows(generatedPipes(Pipes));
    app::SessionOptions options;
    options.connectionString = file.connectionString();
    const app::Session session(std::move(options));
    const WrittenWorkbooks workbooks; // registered after the session's stand-in, so it answers
    TWMain& window = session.mainWindow();
    window.show(); // opens the table, as at start-up

    for (auto _ : state) {
        window.ui().N8->trigger();
        if (workbooks.lastBytes() == 0)
            state.SkipWithError("no workbook was written");
    }
    state.counters["rows"] = Pipes;
    state.counters["xlsx_bytes"] = double(workbooks.lastBytes());
}
BENCHMARK(BM_MainWindowPipeListExport)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
