#include "SavedRows.h"

#include <sqlite3.h>

namespace {

struct Handle {
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
};

} // namespace

SavedRows readSavedRows(const QString& path)
{
    SavedRows saved;
    Handle h;
    if (sqlite3_open_v2(path.toUtf8().constData(), &h.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        saved.error = QString::fromUtf8(sqlite3_errmsg(h.db));
        return saved;
    }
    sqlite3_busy_timeout(h.db, 5000);
    auto text = [&](const char* sql) {
        sqlite3_stmt* s = nullptr;
        QString out;
        if (sqlite3_prepare_v2(h.db, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
            out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        else
            saved.error = QString::fromUtf8(sqlite3_errmsg(h.db));
        sqlite3_finalize(s);
        return out;
    };
    saved.integrity = text("PRAGMA integrity_check");
    saved.rows = text("SELECT count(*) FROM TTruba").toInt();
    const QByteArray old = QString::fromUtf16(OldLayer).toUtf8();
    saved.oldRows = text(("SELECT count(*) FROM TTruba WHERE FLayer = '" + old + "'").constData()).toInt();
    return saved;
}

bool makeDatabaseWithOldRows(const QString& path, const QString& schemaSql, int count)
{
    Handle h;
    if (sqlite3_open(path.toUtf8().constData(), &h.db) != SQLITE_OK)
        return false;
    if (sqlite3_exec(h.db, schemaSql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(h.db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(h.db, "INSERT INTO TTruba (FObjectID, FLayer, FLength, FRmax, FRmin) VALUES (?, ?, 1000, 57, 50)",
                           -1, &insert, nullptr) != SQLITE_OK)
        return false;
    const QByteArray layer = QString::fromUtf16(OldLayer).toUtf8();
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        sqlite3_bind_int(insert, 1, i + 1);
        sqlite3_bind_text(insert, 2, layer.constData(), static_cast<int>(layer.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    return ok && sqlite3_exec(h.db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}
