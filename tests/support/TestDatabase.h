#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <optional>
#include <vector>

// A fresh database file made from the program's schema (src/data/schema.sql)
// in a temporary folder that goes away with the object. Rows can be added and
// read back directly, past the data layer, so tests see what the file holds.
// Every call opens and closes its own SQLite handle: the helper holds no lock
// between calls.
class TestDatabase {
public:
    // A pipe row; an unset member is stored as Null.
    struct Row {
        // Default initializers let tests name only the columns they set
        // ({.layer = "A", .rmax = 20.0}) without a missing-initializer warning.
        std::optional<int64_t> objectId = std::nullopt;
        std::optional<QString> layer = std::nullopt;
        std::optional<double> length = std::nullopt;
        std::optional<double> rmax = std::nullopt;
        std::optional<double> rmin = std::nullopt;
        std::optional<int64_t> key = std::nullopt; // FKey; read back, ignored when adding
        bool operator==(const Row&) const = default;
    };

    // The program's schema, or any other SQL (for files that differ on purpose).
    TestDatabase();
    explicit TestDatabase(const QString& schemaSql, const QString& fileName = QStringLiteral("spec_base.mdb"));

    static QString schemaSql(); // the text of src/data/schema.sql

    QString folder() const { return m_dir.path(); }
    QString path() const { return m_path; }
    // "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;Persist Security Info=False"
    QString connectionString() const;

    void exec(const QString& sql) const;            // fails the test on an error
    void addRows(const std::vector<Row>& rows) const; // in one transaction
    std::vector<Row> rows() const;                  // TTruba in FKey order
    // The same without their keys, which the file hands out (and each
    // harvest anew): to compare with rows written down without them.
    std::vector<Row> rowsWithoutKeys() const;
    int rowCount(const QString& table = QStringLiteral("TTruba")) const;
    // TTruba.FHandle, TTruba.FDrawing in FKey order; Null as "(null)".
    QStringList handles() const { return textColumn(QStringLiteral("FHandle")); }
    QStringList drawings() const { return textColumn(QStringLiteral("FDrawing")); }
    QStringList textColumn(const QString& column) const;
    // The file's write lock, held as another program inside a transaction
    // holds it (a second Ведорис saving, a backup tool), until it goes.
    class WriteLock {
    public:
        explicit WriteLock(const QString& path);
        ~WriteLock();
        WriteLock(const WriteLock&) = delete;
        WriteLock& operator=(const WriteLock&) = delete;

    private:
        struct sqlite3* m_db = nullptr;
    };

    // The storage class SQLite reports for a value ("integer", "real", "text", "null").
    QString typeOf(const QString& column, int64_t key) const;

private:
    QTemporaryDir m_dir;
    QString m_path;
};
