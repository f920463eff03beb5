#pragma once

#include "data/TSpecData.h"
#include "support/TestDatabase.h"

#include <vector>

// A data module over a fresh pipe database: connected with TTruba open, as
// the main window leaves it after its show, unless told otherwise. It is not
// installed as the process-wide SpecData: the totals window and the exports
// are handed their module, and must not reach for another.
class PipeData {
public:
    explicit PipeData(const std::vector<TestDatabase::Row>& rows = {}, bool open = true)
        : PipeData(TestDatabase::schemaSql(), rows, open)
    {
    }
    PipeData(const QString& schemaSql, const std::vector<TestDatabase::Row>& rows, bool open)
        : file(schemaSql)
    {
        file.addRows(rows);
        data.ADOConnection.setConnectionString(file.connectionString());
        if (open) {
            data.ADOConnection.open();
            data.TTruba->open();
        }
    }
    ~PipeData() = default;
    PipeData(const PipeData&) = delete;
    PipeData& operator=(const PipeData&) = delete;

    TestDatabase file;
    TSpecData data;
};

inline TestDatabase::Row pipe(const char* layer, double length, double rmax, double rmin)
{
    TestDatabase::Row row;
    row.layer = QString::fromUtf8(layer);
    row.length = length;
    row.rmax = rmax;
    row.rmin = rmin;
    return row;
}
