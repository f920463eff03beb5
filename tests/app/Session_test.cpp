// The program as main() makes it: the process-wide instances in their fixed
// order, reachable by their names while the session lives, and gone with it.
#include "app/Session.h"

#include "about/TWAbout.h"
#include "app/TWMain.h"
#include "data/TSpecData.h"
#include "platform/dbwidgets/DBGrid.h"
#include "platform/dbwidgets/DBNavigator.h"
#include "platform/dbwidgets/QtPrinters.h"
#include "reports/TWSumTruba.h"
#include "support/MessageRecorder.h"
#include "support/TestDatabase.h"

#include "ui_WMain.h"
#include "ui_WSumTruba.h"

#include <gtest/gtest.h>

TEST(Session, CreatesTheFourInstancesInOrderHiddenAndBoundAndLetsThemGoWithIt)
{
    TestDatabase database;
    MessageRecorder messages;
    QStringList created;
    {
        SessionOptions options;
        options.connectionString = database.connectionString();
        options.messages = &messages;
        options.created = [&](const QString& name) { created << name; };
        const Session session(std::move(options));

        EXPECT_EQ(created, (QStringList{"WMain", "SpecData", "WSumTruba", "WAbout"}));
        EXPECT_EQ(WMain, &session.mainWindow());
        EXPECT_EQ(SpecData, &session.data());
        EXPECT_EQ(WSumTruba, &session.totalsWindow());
        EXPECT_EQ(WAbout, &session.aboutBox());
        for (const QWidget* window : std::initializer_list<const QWidget*>{WMain, WSumTruba, WAbout})
            EXPECT_FALSE(window->isVisible());
        // Bound to the data module, which connects only when the window shows.
        EXPECT_EQ(WMain->ui().DBGrid1->dataSource(), SpecData->STruba);
        EXPECT_EQ(WMain->ui().DBNavigator1->dataSource(), SpecData->STruba);
        EXPECT_EQ(WSumTruba->ui().DBGrid1->dataSource(), SpecData->SVTruba);
        EXPECT_FALSE(SpecData->ADOConnection.isConnected());
        EXPECT_EQ(SpecData->ADOConnection.dataSource(), database.path());

        session.mainWindow().show();
        EXPECT_TRUE(SpecData->TTruba->isActive());
        EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    }
    EXPECT_EQ(WMain, nullptr);
    EXPECT_EQ(SpecData, nullptr);
    EXPECT_EQ(WSumTruba, nullptr);
    EXPECT_EQ(WAbout, nullptr);
}
