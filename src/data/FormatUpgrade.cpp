#include "data/FormatUpgrade.h"

#include "platform/db/Connection.h"
#include "platform/db/Statement.h"
#include "platform/db/Transaction.h"

#include <QStringList>

namespace {

// The columns the table has, by name; none when there is no such table.
bool hasColumn(db::Connection& connection, const QString& table, const QString& column)
{
    db::Statement columns(connection.handle(), QStringLiteral("PRAGMA table_info(%1)").arg(table), table);
    while (columns.step()) {
        if (columns.textAt(1).compare(column, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool hasTable(db::Connection& connection, const QString& table)
{
    db::Statement tables(connection.handle(),
                         // As SQLite names tables, and the open finds them: in any case.
                         QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE"),
                         table);
    tables.bind(1, table);
    return tables.step();
}

} // namespace

void upgradePipeTable(db::Connection& connection)
{
    const QString table = QStringLiteral("TTruba");
    if (!hasTable(connection, table))
        return;
    // Columns in the order the versions added them.
    QStringList missing;
    for (const QString& column : {QStringLiteral("FHandle"), QStringLiteral("FDrawing"), QStringLiteral("FPath")}) {
        if (!hasColumn(connection, table, column))
            missing << column;
    }
    if (missing.isEmpty())
        return;
    db::Transaction transaction(connection);
    for (const QString& column : missing)
        db::Statement(connection.handle(), QStringLiteral("ALTER TABLE TTruba ADD COLUMN %1 TEXT").arg(column), table)
            .run();
    transaction.commit();
}
