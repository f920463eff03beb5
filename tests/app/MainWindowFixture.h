#pragma once

#include "app/ProgramInstances.h"
#include "app/TWMain.h"
#include "data/TSpecData.h"
#include "support/MessageRecorder.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <memory>

// The program's instances as its session makes them (ProgramInstances: the
// main window, the data module pointed at its file and bound to the windows,
// the totals window, the About box), over a fresh database file, with every
// message recorded instead of shown, and without the session's platform
// services: the tests bring their CAD and spreadsheet in-process. They can be
// made again over another file, as when the program starts again; that is why
// the module is made here and not by PipeTableFixture.
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override { createInstances(database.connectionString()); }
    void TearDown() override { destroyInstances(); }

    void createInstances(const QString& connectionString);
    void destroyInstances();
    // Shows the window as the event loop does at start-up (FormShow runs).
    void start();

    // Types a pipe row into the table as the grid would.
    void appendRow(const QString& layer, double length, double rmax);

    TestDatabase database;
    MessageRecorder messages;
    std::unique_ptr<ProgramInstances> instances;
    TWMain* window = nullptr;
    TSpecData* data = nullptr;
};
