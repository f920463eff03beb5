// "Экспорт в Excel" as the user runs it: from the main window's menu, with the
// grid attached and following the current row down 20,000 pipes, through the
// spreadsheet stand-in to a written .xlsx file. Timed from the command to the
// workbook written.
#include "GeneratedPipes.h"
#include "app/TWMain.h"
#include "data/TSpecData.h"
#include "platform/sheet/StandIn.h"

#include "ui_WMain.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int Pipes = 20000;

void BM_MainWindowPipeListExport(benchmark::State& state)
{
    TestDatabase file;
    file.addRows(generatedPipes(Pipes));
    TWMain window;
    WMain = &window;
    TSpecData data;
    SpecData = &data;
    data.ADOConnection.setConnectionString(file.connectionString());
    window.bindDataModule(data);
    window.show(); // opens the table, as at start-up

    QTemporaryDir folder;
    int64_t bytes = 0;
    sheet::StandInOptions options;
    options.folder = folder.path();
    options.opener = [&](const QString& path) {
        bytes = QFile(path).size();
        QFile::remove(path);
    };
    auto registration = sheet::registerStandIn(options);

    for (auto _ : state) {
        window.ui().N8->trigger();
        if (bytes == 0)
            state.SkipWithError("no workbook was written");
    }
    state.counters["rows"] = Pipes;
    state.counters["xlsx_bytes"] = double(bytes);
    SpecData = nullptr;
    WMain = nullptr;
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
