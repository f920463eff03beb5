#pragma once

#include "platform/db/Connection.h"
#include "platform/db/Dataset.h"
#include "support/PipeTableFixture.h"

// The program's pipe table for the tests of the dataset layer: the data
// module's TTruba over a fresh file, named as what these tests exercise, a
// table and its connection. The module's row validation is lifted (the data
// module's own tests pin it down), so that a test can post any row the file
// takes; the busy timeout is short, so that a test of a locked file fails fast.
struct PipeTable : PipeTableFixture {
    explicit PipeTable(const QString& schemaSql = TestDatabase::schemaSql()) : PipeTableFixture(schemaSql)
    {
        table->beforePost = nullptr;
        connection.setBusyTimeout(100);
    }

    db::Dataset* const table = data.TTruba;
    db::Connection& connection = data.ADOConnection;
};
