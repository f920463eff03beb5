// The two windows of "Получить размеры труб из чертежей…": the list of the
// project's drawings its user puts together, and what the harvest found.
#include "app/TWDrawings.h"
#include "app/TWDrawingsRead.h"

#include "ui_WDrawings.h"
#include "ui_WDrawingsRead.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

// Files picked and folders picked, each drawing once, folders with every
// drawing below them (no other file), in the order a file manager lists them.
TEST(ProjectDrawingList, TakesFilesAndFoldersEachDrawingOnce)
{
    QTemporaryDir project;
    for (const char* name : {"Этаж 10.dwg", "Этаж 2.DWG", "notes.txt", "sub/Этаж 1.dwg", "sub/deeper/Узел.dwg"})
        touch(project.filePath(QString::fromUtf8(name)));
    TWDrawings window;
    EXPECT_FALSE(window.ui().BOk->isEnabled());

    window.pickFiles = [&](QWidget*) { return QStringList{project.filePath("Этаж 2.DWG")}; };
    window.ui().BAddFiles->click();
    window.pickFolder = [&](QWidget*) { return project.path(); };
    window.ui().BAddFolder->click();
    window.pickFolder = [](QWidget*) { return QString(); }; // the dialog cancelled
    window.ui().BAddFolder->click();

    const auto native = [&](const char* name) { return QDir::toNativeSeparators(project.filePath(QString::fromUtf8(name))); };
    EXPECT_EQ(window.drawings(),
              (QStringList{native("Этаж 2.DWG"), native("sub/deeper/Узел.dwg"), native("sub/Этаж 1.dwg"), native("Этаж 10.dwg")}));
    EXPECT_TRUE(window.ui().BOk->isEnabled());

    window.ui().LBDrawings->item(1)->setSelected(true);
    window.ui().LBDrawings->item(3)->setSelected(true);
    window.ui().BRemove->click();
    EXPECT_EQ(window.drawings(), (QStringList{native("Этаж 2.DWG"), native("sub/Этаж 1.dwg")}));
}

// Each drawing with its pipes or its reason; storing is offered, as the
// default, only where some drawing was read.
TEST(ProjectReport, ListsEveryDrawingAndOffersToStoreOnlyWhatWasRead)
{
    std::vector<DrawingRead> reads(2);
    reads[0].path = QStringLiteral("/p/A.dwg");
    reads[0].pipes = 12;
    reads[1].path = QStringLiteral("/p/B.dwg");
    reads[1].failure = QStringLiteral("The file is in use by another process");
    {
        TWDrawingsRead window(reads);
        EXPECT_EQ(window.ui().Grid->rowCount(), 2);
        EXPECT_EQ(window.ui().Grid->item(0, 0)->text(), QStringLiteral("A.dwg"));
        EXPECT_EQ(window.ui().Grid->item(0, 1)->text(), QStringLiteral("труб: 12"));
        EXPECT_EQ(window.ui().Grid->item(1, 1)->text(), reads[1].failure);
        EXPECT_TRUE(window.ui().LSummary->text().startsWith(QStringLiteral("Прочитано чертежей: 1 из 2.")));
        EXPECT_TRUE(window.ui().BStore->isEnabled());
        EXPECT_TRUE(window.ui().BStore->isDefault());
    }
    reads.erase(reads.begin());
    TWDrawingsRead none(reads);
    EXPECT_FALSE(none.ui().BStore->isEnabled());
    EXPECT_TRUE(none.ui().BKeep->isDefault());
}

} // namespace
