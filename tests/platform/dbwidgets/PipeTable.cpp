#include "PipeTable.h"

#include "platform/db/Field.h"
#include "platform/messages/Messages.h"
#include "platform/messages/SilentAbort.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

const char* const schema = R"sql(
CREATE TABLE TTruba (
  FKey      INTEGER PRIMARY KEY AUTOINCREMENT,
  FObjectID INTEGER,
  FLayer    TEXT,
  FLength   REAL,
  FRmax     REAL,
  FRmin     REAL
);
CREATE VIEW VTruba AS
  SELECT SUM(FLength) AS FLength, FRmax, FRmin FROM TTruba GROUP BY FRmax, FRmin ORDER BY FRmax, FRmin;
)sql";

void exec(sqlite3* db, const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << error;
        sqlite3_free(error);
    }
}

QString literal(const std::optional<double>& value)
{
    return value ? QString::number(*value, 'g', 17) : QStringLiteral("NULL");
}

void createFile(const QString& path, const std::vector<PipeRow>& rows)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    exec(db, QString::fromUtf8(schema));
    for (const PipeRow& row : rows) {
        QString layer = row.layer;
        layer.replace(QLatin1Char('\''), QLatin1String("''"));
        exec(db, QStringLiteral("INSERT INTO TTruba (FObjectID, FLayer, FLength, FRmax, FRmin) VALUES (1, '%1', %2, %3, %4)")
                     .arg(layer, literal(row.length), literal(row.rmax), literal(row.rmin)));
    }
    sqlite3_close(db);
}

} // namespace

PipeTable::PipeTable(const std::vector<PipeRow>& rows)
{
    const QString path = m_dir.filePath(QStringLiteral("spec_base.mdb"));
    createFile(path, rows);
    connection.setConnectionString(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False").arg(path));
    connection.open();

    table = std::make_unique<db::Dataset>(connection, QStringLiteral("TTruba"));
    table->addField({QStringLiteral("FKey"), db::FieldType::AutoInc, {}, 10, {}, false, true});
    table->addField({QStringLiteral("FObjectID"), db::FieldType::Integer, {}, 10, {}, false});
    table->addField({QStringLiteral("FLayer"), db::FieldType::Text, QStringLiteral("Слой"), 20, {}, true, false, 50});
    table->addField({QStringLiteral("FLength"), db::FieldType::Double, QStringLiteral("Длинна, мм"), 10, QStringLiteral("0")});
    table->addField({QStringLiteral("FRmax"), db::FieldType::Double, QStringLiteral("D наружный, мм"), 10, QStringLiteral("0")});
    table->addField({QStringLiteral("FRmin"), db::FieldType::Double, QStringLiteral("D Внутр, мм"), 10, QStringLiteral("0")});
    table->setIndexFieldNames(QStringLiteral("FLayer;FRmax"));
    table->beforePost = [](db::Dataset& ds) {
        if (ds.fieldByName(QStringLiteral("FLength")).isNull()) {
            messages::showMessage(lengthMessage());
            throw SilentAbort();
        }
    };
    table->open();
    source.setDataset(table.get());

    totals = std::make_unique<db::Dataset>(connection, QStringLiteral("VTruba"));
    totals->addField({QStringLiteral("FLength"), db::FieldType::Double, QStringLiteral("Длинна,мм"), 10, QStringLiteral("0")});
    totals->addField({QStringLiteral("FRmax"), db::FieldType::Double, QStringLiteral("D наружн. мм"), 10, QStringLiteral("0")});
    totals->addField({QStringLiteral("FRmin"), db::FieldType::Double, QStringLiteral("D внутр. мм"), 10, QStringLiteral("0")});
    totalsSource.setDataset(totals.get());
}

PipeTable::~PipeTable()
{
    // The data sources go before the datasets they point to; the datasets
    // before the connection.
    source.setDataset(nullptr);
    totalsSource.setDataset(nullptr);
    table.reset();
    totals.reset();
}

QStringList PipeTable::layers() const
{
    QStringList result;
    const int layer = table->fieldByName(QStringLiteral("FLayer")).index();
    for (int row = 0; row < table->recordCount(); ++row) {
        const db::FieldValue value = table->valueAt(row, layer);
        const auto* text = std::get_if<QString>(&value);
        result << (text ? *text : QString());
    }
    return result;
}

QStringList PipeTable::storedRows() const
{
    QStringList result;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(connection.handle(), "SELECT FLayer, FLength FROM TTruba ORDER BY FKey", -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const auto* layer = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        const QString length = sqlite3_column_type(statement, 1) == SQLITE_NULL
            ? QStringLiteral("null")
            : QString::number(sqlite3_column_double(statement, 1));
        result << QString::fromUtf8(layer ? layer : "") + QLatin1Char(':') + length;
    }
    sqlite3_finalize(statement);
    return result;
}
