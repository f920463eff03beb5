// Opening the pipe table (reading, type checks and the sort by layer and
// diameter) and posting one edited row, on a file of 10,000 pipes.
#include "platform/db/Connection.h"
#include "platform/db/Dataset.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <random>
#include <stdexcept>

namespace {

void run(sqlite3* db, const QByteArray& sql)
{
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

// A database file made from the program's schema and filled with pipes on
// layers of realistic Cyrillic names, in random order.
class PipeFile {
public:
    explicit PipeFile(int rows)
    {
        m_path = m_dir.filePath(QStringLiteral("spec_base.mdb"));
        QFile schema(QStringLiteral(VEDORIS_SCHEMA_SQL));
        if (!schema.open(QIODevice::ReadOnly))
            throw std::runtime_error("no schema");
        sqlite3* db = nullptr;
        sqlite3_open_v2(m_path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        run(db, schema.readAll());
        run(db, "BEGIN");
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO TTruba (FObjectID, FLayer, FLength, FRmax, FRmin) VALUES (?, ?, ?, ?, ?)", -1,
                           &insert, nullptr);
        std::mt19937 random(42);
        const double sizes[] = {15, 20, 25, 32, 40, 50, 57, 76, 89, 108, 133, 159, 219};
        for (int i = 0; i < rows; ++i) {
            const QByteArray layer =
                QStringLiteral("Трубопровод_%1_%2").arg(random() % 40).arg(i % 3 ? "Отопление" : "ГВС").toUtf8();
            sqlite3_bind_int64(insert, 1, int64_t(0x100000000LL) + i);
            sqlite3_bind_text(insert, 2, layer.constData(), int(layer.size()), SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 3, double(random() % 100000) / 10.0);
            sqlite3_bind_double(insert, 4, sizes[random() % 13]);
            sqlite3_bind_double(insert, 5, sizes[random() % 13] - 3.5);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        run(db, "COMMIT");
        sqlite3_close_v2(db);
        m_connection.setConnectionString(
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False").arg(m_path));
        m_connection.open();
    }

    std::unique_ptr<db::Dataset> table()
    {
        auto table = std::make_unique<db::Dataset>(m_connection, QStringLiteral("TTruba"));
        const auto add = [&](const char* name, db::FieldType type) {
            db::FieldDef def;
            def.name = QString::fromLatin1(name);
            def.type = type;
            def.displayFormat = type == db::FieldType::Double ? QStringLiteral("0") : QString();
            table->addField(def);
        };
        add("FKey", db::FieldType::AutoInc);
        add("FObjectID", db::FieldType::Integer);
        add("FLayer", db::FieldType::Text);
        add("FLength", db::FieldType::Double);
        add("FRmax", db::FieldType::Double);
        add("FRmin", db::FieldType::Double);
        table->setIndexFieldNames(QStringLiteral("FLayer;FRmax"));
        return table;
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    db::Connection m_connection;
};

void BM_OpenPipeTable(benchmark::State& state)
{
    PipeFile file(int(state.range(0)));
    auto table = file.table();
    for (auto _ : state) {
        table->open();
        benchmark::DoNotOptimize(table->recordCount());
        table->close();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_OpenPipeTable)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same without the sort, to tell reading from sorting.
void BM_OpenPipeTableUnsorted(benchmark::State& state)
{
    PipeFile file(10000);
    auto table = file.table();
    table->setIndexFieldNames(QString());
    for (auto _ : state) {
        table->open();
        table->close();
    }
}
BENCHMARK(BM_OpenPipeTableUnsorted)->Unit(benchmark::kMillisecond);

// Posts of an edited row of a 10,000-row table, one an iteration.
void postEditedRows(benchmark::State& state, bool synced)
{
    PipeFile file(10000);
    auto table = file.table();
    table->open();
    if (!synced)
        sqlite3_exec(table->connection().handle(), "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    table->moveTo(5000);
    db::Field& length = table->fieldByName(QStringLiteral("FLength"));
    double value = 1.0;
    for (auto _ : state) {
        table->edit();
        length.setAsFloat(value += 1.0);
        table->post();
    }
}

// One post is one durable write to the file (an UPDATE by key committed with
// the journal synced), the cost a user pays on leaving an edited grid row.
void BM_PostEditedRow(benchmark::State& state) { postEditedRows(state, true); }
BENCHMARK(BM_PostEditedRow)->Unit(benchmark::kMillisecond);

// The same with the file's syncs to disk switched off, for this measurement
// only (the program never does this): what is left is the work of the post
// itself, apart from the disk's sync latency.
void BM_PostEditedRowWithoutSync(benchmark::State& state) { postEditedRows(state, false); }
BENCHMARK(BM_PostEditedRowWithoutSync)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
