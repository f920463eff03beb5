#pragma once

#include "platform/db/Connection.h"
#include "platform/db/Dataset.h"
#include "support/TestDatabase.h"

#include <memory>

// A table object over TTruba with fields declared the way a data module
// declares them, on a fresh database file. The busy timeout is short, so that
// a test of a locked file fails fast.
struct PipeTable {
    TestDatabase file;
    db::Connection connection;
    std::unique_ptr<db::Dataset> table;

    explicit PipeTable(const QString& schema = TestDatabase::schemaSql()) : file(schema)
    {
        connection.setConnectionString(file.connectionString());
        connection.setBusyTimeout(100);
        table = std::make_unique<db::Dataset>(connection, QStringLiteral("TTruba"));
        table->addField(def("FKey", db::FieldType::AutoInc));
        table->addField(def("FObjectID", db::FieldType::Integer));
        table->addField(def("FLayer", db::FieldType::Text));
        table->addField(def("FLength", db::FieldType::Double, "0"));
        table->addField(def("FRmax", db::FieldType::Double));
        table->addField(def("FRmin", db::FieldType::Double));
        table->setIndexFieldNames(QStringLiteral("FLayer;FRmax"));
    }

    static db::FieldDef def(const char* name, db::FieldType type, const char* format = "")
    {
        db::FieldDef d;
        d.name = QString::fromLatin1(name);
        d.type = type;
        d.displayFormat = QString::fromLatin1(format);
        return d;
    }

    db::Field& f(const char* name) const { return table->fieldByName(QString::fromLatin1(name)); }

    // The layers of all rows in list order, "<null>" for Null.
    QStringList layers() const
    {
        QStringList out;
        const int layer = f("FLayer").index();
        for (int r = 0; r < table->recordCount(); ++r) {
            const db::FieldValue v = table->valueAt(r, layer);
            out << (db::isNull(v) ? QStringLiteral("<null>") : std::get<QString>(v));
        }
        return out;
    }
};
