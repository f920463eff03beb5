// The CAD the designer runs is found by whichever name of its own it was
// registered under: the simulator, in another process, answers under one
// ProgID of the table at a time, and the program attaches to it as that CAD
// and asks it whether it is idle by that CAD's name for the question.
#include "cad/CadApplications.h"
#include "cad/ResStrings.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/remote/ClientBackend.h"
#include "platform/messages/EntryPoint.h"
#include "support/CadsimProcess.h"
#include "support/MessageRecorder.h"

#include <QString>

#include <gtest/gtest.h>

namespace {

const char* const Drawing = "0\nSECTION\n2\nENTITIES\n0\nLINE\n5\n2B\n8\n0\n0\nENDSEC\n0\nEOF\n";

class CadTable : public testing::Test {
protected:
    void SetUp() override { automation::remote::installClientBackend(); }
    void TearDown() override
    {
        cad.stop();
        automation::setObjectBackend(nullptr);
    }

    CadsimProcess cad{Drawing};
    MessageRecorder messages;
};

TEST_F(CadTable, EveryNameOfEveryCadIsFound)
{
    int names = 0;
    for (const CadApplication& application : CadApplications()) {
        const QString key = QString::fromStdU16String(application.name).toLower();
        for (const std::u16string& progId : application.progIds) {
            SCOPED_TRACE(QString::fromStdU16String(progId).toStdString());
            cad.stop();
            ASSERT_FALSE(cad.start({"--as", key, "--progid", QString::fromStdU16String(progId)}, progId).isEmpty());
            const std::optional<RunningCad> found = FindRunningCad();
            ASSERT_TRUE(found);
            EXPECT_EQ(found->cad, &application);
            TAbstrAcadObj acad;
            EXPECT_TRUE(acad.IsQuiescent());
            ++names;
        }
    }
    EXPECT_GT(names, 50);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
}

// A CAD that answers to none of the names (one release of GstarCAD was
// reported so) is a CAD that is not running: nothing else is attached to.
TEST_F(CadTable, ACadUnderANameOfNoneIsNotRunning)
{
    ASSERT_FALSE(cad.start({"--as", "gstarcad", "--progid", "GstarCADx.Application"}, u"GstarCADx.Application").isEmpty());
    EXPECT_FALSE(FindRunningCad());
    EXPECT_FALSE(messages::runEntryPoint([] { TAbstrAcadObj acad; }));
    EXPECT_EQ(messages.all, QStringList{ResStrings::text(ResStrings::SCannotFindAcad)});
}

} // namespace
