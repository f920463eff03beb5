#pragma once

#include "data/TSpecData.h"
#include "support/MessageRecorder.h"
#include "support/TestDatabase.h"

// A data module pointed at a fresh database file instead of the one beside
// the test binary, with messages recorded.
struct SpecDataFixture {
    MessageRecorder messages;
    TestDatabase file;
    TSpecData module;

    SpecDataFixture()
    {
        module.ADOConnection.setConnectionString(file.connectionString());
        module.ADOConnection.setBusyTimeout(100);
    }

    void openTable()
    {
        module.ADOConnection.open();
        module.TTruba->open();
    }
};
