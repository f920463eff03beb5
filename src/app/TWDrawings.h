#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

namespace Ui {
class TWDrawings;
}

// The drawings of a project, as the designer puts the list together for
// "Получить размеры труб из чертежей…": drawing files picked one by one or
// several at a time, and folders, each with every drawing in it and in its
// subfolders. A drawing is listed once, however often it is added.
class TWDrawings final : public QDialog {
    Q_OBJECT
public:
    explicit TWDrawings(QWidget* parent = nullptr);
    ~TWDrawings() override;

    // The drawings listed, in the order they were added.
    QStringList drawings() const { return m_drawings; }
    void addDrawings(const QStringList& paths);

    // How files and folders are picked (the system's file dialogs; a test
    // stands in for them). An empty answer adds nothing.
    std::function<QStringList(QWidget* parent)> pickFiles;
    std::function<QString(QWidget* parent)> pickFolder;

    // The drawing files in `folder` and every folder below it, by name.
    static QStringList drawingsIn(const QString& folder);

    Ui::TWDrawings& ui() const { return *m_ui; }

private:
    void BAddFilesClick();
    void BAddFolderClick();
    void BRemoveClick();
    void showList();

    std::unique_ptr<Ui::TWDrawings> m_ui;
    QStringList m_drawings;
};
