// The pipe-list export of 10,000 pipes through the spreadsheet stand-in:
// 40,000 cells, each one ActiveSheet fetch and one Cells put, then the
// workbook written as an .xlsx file when the export lets go of it.
#include "../common/QtBenchmarkMain.h"
#include "GeneratedPipes.h"
#include "WrittenWorkbooks.h"
#include "data/TSpecData.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/ObjectRegistry.h"
#include "reports/SheetExport.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>


namespace {

constexpr int Pipes = 10000;

void BM_PipeListExportToXlsx(benchmark::State& state)
{
    TestDatabase file;
    file.addRows(generatedPipes(Pipes));
    TSpecData data;
    data.ADOConnection.setConnectionString(file.connectionString());
    data.ADOConnection.open();
    data.TTruba->open();

    const WrittenWorkbooks workbooks;

    for (auto _ : state)
        ExportPipeList(data);

    state.counters["cells"] = 4.0 * (Pipes + 1);
    state.counters["xlsx_bytes"] = double(workbooks.lastBytes());
}
BENCHMARK(BM_PipeListExportToXlsx)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The automation calls alone, into a workbook of an invisible application,
// which is dropped rather than written.
void BM_StandInCellPuts(benchmark::State& state)
{
    using automation::Variant;
    for (auto _ : state) {
        Variant created = Variant::dispatch(sheet::createStandIn());
        Variant workbook = automation::call(
            automation::get(automation::get(created, u"Application"), u"Workbooks"), u"Add", Variant::omitted());
        Variant row = Variant::i4(1);
        for (int r = 0; r <= Pipes; ++r) {
            for (int32_t column = 1; column <= 4; ++column)
                automation::put(automation::get(workbook, u"ActiveSheet"), u"Cells", automation::Arg::ref(row),
                                Variant::i4(column), Variant::r8(r * 0.5));
            row = Variant::i4(row.toI4() + 1);
        }
    }
}
BENCHMARK(BM_StandInCellPuts)->Unit(benchmark::kMillisecond);

} // namespace

VEDORIS_QT_BENCHMARK_MAIN()
