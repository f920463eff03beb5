#include "app/TWDrawings.h"

#include "ui_WDrawings.h"

#include "cad/DrawingDocuments.h"
#include "platform/messages/EntryPoint.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QPushButton>

#include <algorithm>

namespace {

const QString DrawingFilter = QStringLiteral("Чертежи (*.dwg *.DWG)");

bool isDrawingFile(const QString& path) { return path.endsWith(QStringLiteral(".dwg"), Qt::CaseInsensitive); }

} // namespace

TWDrawings::TWDrawings(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::TWDrawings>())
{
    m_ui->setupUi(this);
    pickFiles = [](QWidget* over) {
        return QFileDialog::getOpenFileNames(over, QStringLiteral("Добавить чертежи"), QString(), DrawingFilter);
    };
    pickFolder = [](QWidget* over) {
        return QFileDialog::getExistingDirectory(over, QStringLiteral("Добавить папку с чертежами"));
    };
    const auto handler = [this](void (TWDrawings::*click)()) {
        return [this, click] { messages::runEntryPoint([this, click] { (this->*click)(); }); };
    };
    connect(m_ui->BAddFiles, &QPushButton::clicked, this, handler(&TWDrawings::BAddFilesClick));
    connect(m_ui->BAddFolder, &QPushButton::clicked, this, handler(&TWDrawings::BAddFolderClick));
    connect(m_ui->BRemove, &QPushButton::clicked, this, handler(&TWDrawings::BRemoveClick));
    connect(m_ui->BOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->BCancel, &QPushButton::clicked, this, &QDialog::reject);
    showList();
}

TWDrawings::~TWDrawings() = default;

void TWDrawings::addDrawings(const QStringList& paths)
{
    for (const QString& path : paths) {
        const bool listed = std::any_of(m_drawings.begin(), m_drawings.end(),
                                        [&](const QString& known) { return SameDrawingFile(known, path); });
        if (!listed && !path.isEmpty())
            m_drawings << QDir::toNativeSeparators(path);
    }
    showList();
}

QStringList TWDrawings::drawingsIn(const QString& folder)
{
    QStringList found;
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (isDrawingFile(path))
            found << path;
    }
    // In the order a file manager shows them: "Этаж 2" before "Этаж 10".
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(found.begin(), found.end(), collator);
    return found;
}

void TWDrawings::BAddFilesClick() { addDrawings(pickFiles(this)); }

void TWDrawings::BAddFolderClick()
{
    const QString folder = pickFolder(this);
    if (!folder.isEmpty())
        addDrawings(drawingsIn(folder));
}

void TWDrawings::BRemoveClick()
{
    QList<int> rows;
    for (const QListWidgetItem* item : m_ui->LBDrawings->selectedItems())
        rows << m_ui->LBDrawings->row(item);
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (int row : rows)
        m_drawings.removeAt(row);
    showList();
}

void TWDrawings::showList()
{
    m_ui->LBDrawings->clear();
    m_ui->LBDrawings->addItems(m_drawings);
    m_ui->BOk->setEnabled(!m_drawings.isEmpty());
    m_ui->BRemove->setEnabled(!m_drawings.isEmpty());
}
