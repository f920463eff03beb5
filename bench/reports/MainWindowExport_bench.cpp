// "Экспорт в Excel" as the user runs it: from the main window's menu, with the
// grid attached and following the current row down 20,000 pipes, through the
// spreadsheet stand-in to a written .xlsx file. Timed from the command to the
// workbook written, on Qt's offscreen platform and on the display (xcb, under
// xvfb-run), each in a process of its own; beside them, in the same run,
// libxlsxwriter writing the same rows directly, the floor of any export.
#include "GeneratedPipes.h"
#include "WrittenWorkbooks.h"
#include "../common/OnEachPlatform.h"
#include "app/Session.h"
#include "app/TWMain.h"
#include "data/TSpecData.h"

#include "ui_WMain.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr int Pipes = 20000;
double directMs = 0; // the direct write's time per workbook, for the summary

double millisecondsPerIteration(std::chrono::steady_clock::time_point start, const benchmark::State& state)
{
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / static_cast<double>(state.iterations());
}

void BM_MainWindowPipeListExport(benchmark::State& state)
{
    TestDatabase file;
    file.addRows(generatedPipes(Pipes));
    SessionOptions options;
    options.connectionString = file.connectionString();
    const Session session(std::move(options));
    const WrittenWorkbooks workbooks; // registered after the session's stand-in, so it answers
    TWMain& window = session.mainWindow();
    window.show(); // opens the table, as at start-up
    QCoreApplication::processEvents();

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        window.ui().N8->trigger();
        if (workbooks.lastBytes() == 0)
            state.SkipWithError("no workbook was written");
    }
    bench::reportFigure("export_ms", millisecondsPerIteration(start, state));
    state.counters["rows"] = Pipes;
    state.counters["xlsx_bytes"] = double(workbooks.lastBytes());
}

// The same cells in the same order, straight into libxlsxwriter: no
// automation, no window, no database.
void BM_DirectXlsxWrite(benchmark::State& state)
{
    const std::vector<TestDatabase::Row> rows = generatedPipes(Pipes);
    QTemporaryDir folder;
    const QByteArray path = QDir(folder.path()).filePath(QStringLiteral("direct.xlsx")).toUtf8();
    const char* headers[] = {"Слой", "Длинна, мм", "D наружный, мм", "D внутренний, мм"};

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        lxw_workbook* book = workbook_new(path.constData());
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        for (lxw_col_t column = 0; column < 4; ++column)
            worksheet_write_string(sheet, 0, column, headers[column], nullptr);
        lxw_row_t at = 1;
        for (const TestDatabase::Row& row : rows) {
            worksheet_write_string(sheet, at, 0, row.layer.value_or(QString()).toUtf8().constData(), nullptr);
            worksheet_write_number(sheet, at, 1, row.length.value_or(0), nullptr);
            worksheet_write_number(sheet, at, 2, row.rmax.value_or(0), nullptr);
            worksheet_write_number(sheet, at, 3, row.rmin.value_or(0), nullptr);
            ++at;
        }
        if (workbook_close(book) != LXW_NO_ERROR)
            state.SkipWithError("libxlsxwriter could not write the file");
    }
    state.counters["rows"] = Pipes;
    directMs = millisecondsPerIteration(start, state);
}

int runChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("BM_MainWindowPipeListExport", BM_MainWindowPipeListExport)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!bench::childPlatform().empty())
        return runChild(argc, argv);

    // The direct write runs in the parent, which makes no window.
    {
        QCoreApplication app(argc, argv);
        benchmark::Initialize(&argc, argv);
        benchmark::RegisterBenchmark("BM_DirectXlsxWrite", BM_DirectXlsxWrite)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RunSpecifiedBenchmarks();
    }
    const std::vector<bench::PlatformRun> runs = bench::runOnEachPlatform(argc, argv);
    benchmark::Shutdown();

    std::printf("\nSummary of this run (20,000 rows, from the command to the workbook written)\n"
                "  libxlsxwriter writing the same cells directly: %8.1f ms\n",
                directMs);
    bool met = true;
    for (const bench::PlatformRun& run : runs) {
        if (!run.ran) {
            std::printf("  %-9s export: not run (%s)\n", run.platform.c_str(), run.why.c_str());
            met = false;
            continue;
        }
        const double exportMs = run.figure("export_ms");
        const double times = directMs > 0 ? exportMs / directMs : 0;
        std::printf("  %-9s export through the main window:  %8.1f ms  = %.1f x the direct write\n",
                    run.platform.c_str(), exportMs, times);
        if (run.platform == "xcb")
            met = met && times <= 10;
    }
    std::printf("  target: the export on the display within 10 x the direct write: %s\n", met ? "met" : "NOT met");
    return runs.front().ran && runs.back().ran ? 0 : 1;
}
