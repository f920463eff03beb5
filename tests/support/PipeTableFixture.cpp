#include "support/PipeTableFixture.h"

#include "platform/db/Dataset.h"
#include "platform/db/Field.h"

#include <QLatin1Char>

PipeTableFixture::PipeTableFixture(const std::vector<TestDatabase::Row>& rows)
    : PipeTableFixture(TestDatabase::schemaSql(), rows)
{
}

PipeTableFixture::PipeTableFixture(const QString& schemaSql, const std::vector<TestDatabase::Row>& rows)
    : file(schemaSql)
{
    if (!rows.empty()) // a file that differs on purpose may have no pipe table to add them to
        file.addRows(rows);
    data.ADOConnection.setConnectionString(file.connectionString());
}

PipeTableFixture::~PipeTableFixture()
{
    if (SpecData == &data)
        SpecData = nullptr;
}

void PipeTableFixture::open()
{
    data.ADOConnection.open();
    data.TTruba->open();
}

void PipeTableFixture::makeProcessWide() { SpecData = &data; }

QStringList PipeTableFixture::layers(const QString& nullText) const
{
    QStringList result;
    const int layer = data.TTrubaFLayer->index();
    for (int row = 0; row < data.TTruba->recordCount(); ++row) {
        const db::FieldValue value = data.TTruba->valueAt(row, layer);
        result << (db::isNull(value) ? nullText : std::get<QString>(value));
    }
    return result;
}

QStringList PipeTableFixture::storedLayerLengths() const
{
    QStringList result;
    for (const TestDatabase::Row& row : file.rows())
        result << row.layer.value_or(QString()) + QLatin1Char(':')
                + (row.length ? QString::number(*row.length) : QStringLiteral("null"));
    return result;
}
