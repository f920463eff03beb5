#include "PipeTable.h"

#include "platform/db/Field.h"
#include "platform/messages/Messages.h"
#include "platform/messages/SilentAbort.h"

#include <QLatin1Char>

PipeTable::PipeTable(const std::vector<PipeRow>& rows)
{
    std::vector<TestDatabase::Row> stored;
    for (const PipeRow& row : rows)
        stored.push_back({.objectId = 1, .layer = row.layer, .length = row.length, .rmax = row.rmax, .rmin = row.rmin});
    file.addRows(stored);
    connection.setConnectionString(file.connectionString());
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
    for (const TestDatabase::Row& row : file.rows())
        result << row.layer.value_or(QString()) + QLatin1Char(':')
                + (row.length ? QString::number(*row.length) : QStringLiteral("null"));
    return result;
}
