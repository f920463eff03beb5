#pragma once

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
    // Binds the grid to the data module when one exists already.
    explicit TWSumTruba(QWidget* parent = nullptr);
    ~TWSumTruba() override;

    void bindDataModule(TSpecData& data);

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
};

// The process-wide totals window, created at start-up.
extern TWSumTruba* WSumTruba;

// The command "Суммарная длинна": nothing while the database is not connected;
// otherwise the pending edit of the pipe table is ended (a row that fails its
// validation stops the command there), and the window is shown modally.
void ShowTotals(TWSumTruba& window);
