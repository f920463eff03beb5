#include "reports/TWSumTruba.h"

#include "platform/messages/Progress.h"

#include "ui_WSumTruba.h"

#include "data/FinishEdit.h"
#include "data/TSpecData.h"
#include "platform/db/Dataset.h"
#include "platform/messages/EntryPoint.h"
#include "reports/SheetExport.h"

#include <QHideEvent>
#include <QShowEvent>


TWSumTruba* WSumTruba = nullptr;

TWSumTruba::TWSumTruba(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::TWSumTruba>())
{
    m_ui->setupUi(this);

    connect(m_ui->Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->Button2, &QPushButton::clicked, this, [this] { messages::runEntryPoint([this] { Button2Click(); }); });
}

TWSumTruba::~TWSumTruba() = default;

void TWSumTruba::bindDataModule(TSpecData& data)
{
    m_data.bind(data);
    m_ui->DBGrid1->setDataSource(data.SVTruba);
}

TSpecData& TWSumTruba::dataModule() const
{
    return m_data.get();
}

void TWSumTruba::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored by the window system is not shown anew.
    if (!event->spontaneous())
        messages::runEntryPoint([this] { FormShow(); });
}

void TWSumTruba::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        messages::runEntryPoint([this] { FormClose(); });
}

void TWSumTruba::FormShow()
{
    // Closing first makes the query run again, so the totals include every
    // row posted since the last showing.
    db::Dataset& totals = *dataModule().VTruba;
    totals.close();
    try {
        totals.open();
    } catch (...) {
        // A missing or mismatched query leaves the grid empty, without a word.
    }
}

void TWSumTruba::FormClose() { dataModule().VTruba->close(); }

void TWSumTruba::Button2Click()
{
    const progress::Task task(m_ui->Button2->text());
    ExportTotals(dataModule());
}

void ShowTotals(TWSumTruba& window)
{
    TSpecData& data = window.dataModule();
    if (!data.ADOConnection.isConnected())
        return;
    FinishEdit(*data.TTruba);
    window.exec();
}
