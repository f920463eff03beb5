// "Экспорт в Excel" shows its progress only when it takes long enough for the
// user to wonder.
#include "MainWindowFixture.h"

#include "app/TWProgress.h"
#include "platform/db/Dataset.h"
#include "reports/FakeSpreadsheet.h"
#include "support/EventCounter.h"

#include "ui_WMain.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <thread>

namespace {

class ExportProgress : public MainWindowFixture {
protected:
    void SetUp() override
    {
        std::vector<TestDatabase::Row> rows;
        for (int i = 0; i < 100; ++i)
            rows.push_back({.objectId = i + 1, .layer = QStringLiteral("L%1").arg(i), .length = 10.0 * i, .rmax = 57,
                            .rmin = 50});
        database.addRows(rows);
        MainWindowFixture::SetUp();
        progressWindow = std::make_unique<TWProgress>(window);
        m_previous = progress::setDisplay(progressWindow.get());
        start();
    }
    void TearDown() override
    {
        progress::setDisplay(m_previous);
        progressWindow.reset();
        MainWindowFixture::TearDown();
    }

    FakeSpreadsheet spreadsheet;
    std::unique_ptr<TWProgress> progressWindow;

private:
    progress::Display* m_previous = nullptr;
};

} // namespace

TEST_F(ExportProgress, AQuickExportShowsNoProgressWindow)
{
    const EventCounter shows(progressWindow.get(), QEvent::Show);
    window->ui().N8->trigger();
    EXPECT_EQ(shows.count, 0);
    EXPECT_EQ(spreadsheet.cells().size(), 4u * 101);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
}

TEST_F(ExportProgress, ASlowSpreadsheetShowsTheRowsAsTheyGo)
{
    // About 1.6 s for 800 answers.
    spreadsheet.beforeAnswer = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
    bool shown = false;
    QString title, stage;
    QTimer::singleShot(900, window, [&] {
        shown = progressWindow->isVisible();
        title = progressWindow->windowTitle();
        stage = progressWindow->stageText();
    });
    window->ui().N8->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(title, QStringLiteral("Экспорт в Excel"));
    EXPECT_TRUE(stage.startsWith(QStringLiteral("Строка "))) << stage.toStdString();
    EXPECT_TRUE(stage.endsWith(QStringLiteral(" из 100"))) << stage.toStdString();
    EXPECT_FALSE(progressWindow->isVisible());
    EXPECT_EQ(spreadsheet.cells().size(), 4u * 101);
    EXPECT_EQ(data->TTruba->recNo(), 0);
}

// The user stops a slow export: the rows written so far stay in the workbook,
// the spreadsheet keeps it, and nothing is said.
TEST_F(ExportProgress, OtmenaStopsTheExportKeepingWhatWasWritten)
{
    spreadsheet.beforeAnswer = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
    QTimer::singleShot(900, window, [&] {
        ASSERT_TRUE(progressWindow->isVisible());
        const auto* button = progressWindow->findChild<QPushButton*>(QStringLiteral("BCancel"));
        QTest::mouseClick(progressWindow->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(progressWindow.get(), button->rect().center()));
    });
    window->ui().N8->trigger();
    EXPECT_FALSE(progressWindow->isVisible());
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join('|').toStdString();
    const size_t written = spreadsheet.cells().size();
    EXPECT_GT(written, 4u * 2);
    EXPECT_LT(written, 4u * 101);
    EXPECT_EQ(written % 4, 0u); // whole rows
    EXPECT_TRUE(spreadsheet.allReleased());
}
