#pragma once

#include "cad/CadEnvironment.h"
#include "cadsim/model/Simulator.h"
#include "platform/automation/ObjectRegistry.h"
#include "support/MessageRecorder.h"
#include "support/PipeTableFixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

// The program's pipe table over a fresh database file, open, its data module
// the process-wide SpecData as the harvest expects; and a simulated CAD
// application registered as the running one, with the pipe program beside a
// stand-in executable and one support folder of its own.
class HarvestFixture : public ::testing::Test, protected PipeTableFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds entities to the drawing of the active document.
    void draw(const std::function<void(cadsim::Drawing&)>& edit) { cad.editActiveDrawing(edit); }
    // One run of the harvest command (HarvestPipes), as the menu runs it.
    void harvest();
    // The simulated CAD loads the walker from the executable's folder, as
    // the real one loads it when it trusts that folder.
    void offerWalker();
    std::vector<TestDatabase::Row> storedRows() const { return file.rows(); }

    MessageRecorder messages;
    cadsim::Simulator cad{cadsim::Drawing(u"pipes.dxf")};
    QTemporaryDir executableFolder;
    QTemporaryDir supportFolder;
    automation::Registration running; // the simulator as the running CAD

private:
    CadEnvironment m_previousEnvironment;
};
