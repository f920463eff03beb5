// The harvest against the in-process CAD model: reading 10,000 pipe solids
// among 10,000 other entities, and replacing 10,000 stored rows with them.
// The 200 ms idle poll of the load command is skipped here (the sleep is
// stood in for), so the figures are the harvest's own work; the program adds
// exactly one poll to ReadFromDrawing.

#include "../common/QtBenchmarkMain.h"
#include "cad/CadEnvironment.h"
#include "cadsim/model/Simulator.h"
#include "data/TSpecData.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/db/Dataset.h"
#include "platform/messages/Messages.h"
#include "platform/os/FileCopy.h"
#include "spec/TSpecification.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>

namespace {

constexpr int Pipes = 10'000;
constexpr int Others = 10'000;

class QuietMessages final : public messages::MessageService {
public:
    void showMessage(const QString&) override {}
    void showError(const QString&) override {}
};

cadsim::Drawing bigDrawing()
{
    cadsim::Drawing drawing(u"big.dxf");
    for (int i = 0; i < Pipes; ++i) {
        drawing.addPipe(i % 3 ? u"Трубы_ХВС" : u"Трубы_ГВС", 100 + i, 10 + i % 20, 8);
        if (i % 2)
            drawing.addLine(u"0");
        else
            drawing.addSolid(u"Оборудование");
    }
    return drawing;
}

// A temporary install of the program: a database made from the schema, the
// pipe program beside a stand-in executable, and a CAD support folder.
struct Install {
    QTemporaryDir folder;
    QString databasePath;

    Install()
    {
        databasePath = folder.filePath(QStringLiteral("spec_base.mdb"));
        QFile schemaFile(QStringLiteral(VEDORIS_SCHEMA_SQL));
        schemaFile.open(QIODevice::ReadOnly);
        sqlite3* db = nullptr;
        sqlite3_open(databasePath.toUtf8().constData(), &db);
        sqlite3_exec(db, schemaFile.readAll().constData(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QFile pipeProgram(folder.filePath(QStringLiteral("tr.fas")));
        pipeProgram.open(QIODevice::WriteOnly);
    }
};

void fillTable(TSpecData& data, int rows)
{
    sqlite3* db = data.ADOConnection.handle();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < rows; ++i)
        sqlite3_exec(db, "INSERT INTO TTruba (FObjectID, FLayer, FLength, FRmax, FRmin) VALUES (1, 'old', 1, 2, 0)",
                     nullptr, nullptr, nullptr);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    data.TTruba->requery();
}

struct Harness {
    Install install;
    QuietMessages quiet;
    cadsim::Simulator cad{bigDrawing()};
    TSpecData data;
    CadEnvironment previous;
    automation::Registration running;

    Harness()
    {
        messages::setService(&quiet);
        SpecData = &data;
        data.ADOConnection.setConnectionString(
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1").arg(install.databasePath));
        data.ADOConnection.open();
        data.TTruba->open();
        const QString folder = install.folder.path();
        previous = setCadEnvironment({[folder] { return folder; }, QLatin1Char('/'), &os::copyFile, [](int) {}});
        cad.setSupportPath(folder.toStdU16String());
        running = automation::registerActiveObject(u"AutoCAD.Application", cad.application());
    }
    ~Harness()
    {
        running.revoke();
        setCadEnvironment(previous);
        SpecData = nullptr;
        messages::setService(nullptr);
    }
};

void BM_ReadFromDrawing(benchmark::State& state)
{
    Harness harness;
    for (auto _ : state) {
        TSpecification specification(0);
        specification.ReadFromDrawing();
        if (specification.FCount() != Pipes)
            state.SkipWithError("not every pipe was read");
    }
    state.counters["entities"] = Pipes + Others;
}
BENCHMARK(BM_ReadFromDrawing)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveToTable(benchmark::State& state)
{
    Harness harness;
    TSpecification specification(0);
    specification.ReadFromDrawing();
    for (auto _ : state) {
        state.PauseTiming();
        fillTable(harness.data, Pipes - harness.data.TTruba->recordCount());
        state.ResumeTiming();
        specification.SaveToTable(*SpecData);
    }
    state.counters["rows"] = Pipes;
}
BENCHMARK(BM_SaveToTable)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

VEDORIS_QT_BENCHMARK_MAIN()
