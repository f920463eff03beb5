#pragma once

#include "platform/db/Connection.h"
#include "platform/db/DataSource.h"
#include "platform/db/Dataset.h"
#include "support/TestDatabase.h"

#include <memory>
#include <optional>

// A pipe table in a fresh database file, opened the way the data module
// opens it: the same fields, labels, display widths and formats, the sort by
// layer and outer diameter, and a row validation that, like the program's,
// shows its message and aborts silently when the length is missing.
struct PipeRow {
    QString layer;
    std::optional<double> length;
    std::optional<double> rmax;
    std::optional<double> rmin;
};

class PipeTable {
public:
    explicit PipeTable(const std::vector<PipeRow>& rows = {});
    ~PipeTable();

    TestDatabase file; // the program's schema

    db::Connection connection;
    std::unique_ptr<db::Dataset> table;  // "TTruba", open
    std::unique_ptr<db::Dataset> totals; // "VTruba", closed
    db::DataSource source;               // bound to table
    db::DataSource totalsSource;         // bound to totals

    // The message the validation shows for a row without a length.
    static QString lengthMessage() { return QStringLiteral("Необходимо указать длинну!!!"); }

    // Layers of the rows as the dataset lists them (pending values included).
    QStringList layers() const;
    // Rows of the file itself, read past the dataset: "layer:length".
    QStringList storedRows() const;
};
