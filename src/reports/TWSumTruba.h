#pragma once

#include "data/DataModuleLink.h"

#include <QDialog>

#include <memory>

class TSpecData;

namespace Ui {
class TWSumTruba;
}

// The totals window: the total pipe length per pair of outer and inner
// diameter (VTruba), shown modally, with an export of the totals to the
// spreadsheet. The query runs anew on every show and is closed again when the
// window closes, whatever closes it.
class TWSumTruba : public QDialog {
    Q_OBJECT
public:
    explicit TWSumTruba(QWidget* parent = nullptr);
    ~TWSumTruba() override;

    // The grid names the data source SVTruba of the data module, which is
    // created after the main window (this window's parent): the binding is
    // completed here, and every handler uses the module bound here.
    void bindDataModule(TSpecData& data);
    // The bound data module; std::logic_error before bindDataModule.
    TSpecData& dataModule() const;

    Ui::TWSumTruba& ui() const { return *m_ui; }

    // Event handlers, named after the component and the event.
    void FormShow();
    void FormClose();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<Ui::TWSumTruba> m_ui;
    DataModuleLink m_data{"totals window"};
};

// The process-wide totals window, created at start-up.
extern TWSumTruba* WSumTruba;

// The command "Суммарная длинна": nothing while the database is not connected;
// otherwise the pending edit of the pipe table is ended (a row that fails its
// validation stops the command there), and the window is shown modally.
void ShowTotals(TWSumTruba& window);
