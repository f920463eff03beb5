#include "app/TWDrawingsRead.h"

#include "ui_WDrawingsRead.h"

#include "platform/os/Paths.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidgetItem>

#include <algorithm>

TWDrawingsRead::TWDrawingsRead(const std::vector<DrawingRead>& reads, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TWDrawingsRead>())
{
    m_ui->setupUi(this);
    const auto read = std::count_if(reads.begin(), reads.end(), [](const DrawingRead& r) { return r.wasRead(); });
    m_ui->LSummary->setText(
        QStringLiteral("Прочитано чертежей: %1 из %2. Трубы чертежей, которые не удалось прочитать, в таблицу не войдут.")
            .arg(read)
            .arg(reads.size()));
    QTableWidget& grid = *m_ui->Grid;
    grid.setRowCount(int(reads.size()));
    for (size_t i = 0; i < reads.size(); ++i) {
        const DrawingRead& r = reads[i];
        auto* name = new QTableWidgetItem(os::fileNameOf(r.path));
        name->setToolTip(r.path);
        grid.setItem(int(i), 0, name);
        auto* result = new QTableWidgetItem(r.wasRead() ? QStringLiteral("труб: %1").arg(r.pipes) : r.failure);
        result->setToolTip(result->text());
        grid.setItem(int(i), 1, result);
    }
    grid.resizeColumnToContents(0);
    // Nothing read: storing would only empty the table.
    m_ui->BStore->setEnabled(read > 0);
    if (read == 0)
        m_ui->BKeep->setDefault(true);
    connect(m_ui->BStore, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->BKeep, &QPushButton::clicked, this, &QDialog::reject);
}

TWDrawingsRead::~TWDrawingsRead() = default;
