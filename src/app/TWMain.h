#pragma once

#include "data/DataModuleLink.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class TSpecData;
struct DrawingRead;

namespace Ui {
class TWMain;
}

// The main window: the pipe list in an editable grid with its navigator, and
// every command of the program in its menus and the grid's pop-up menu.
class TWMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TWMain(QWidget* parent = nullptr);
    ~TWMain() override;

    // The grid and navigator name the data source STruba of the data module,
    // which is created after this window: the binding is completed here, and
    // every handler uses the module bound here.
    void bindDataModule(TSpecData& data);
    // The bound data module; std::logic_error before bindDataModule.
    TSpecData& dataModule() const;

    Ui::TWMain& ui() const { return *m_ui; }
    QMenu* PopupMenu1 = nullptr;

    // Event handlers, named after the component and the event.
    void FormShow();
    void FormClose();
    void N3Click();
    void N4Click();
    void N6Click();
    void N7Click();
    void N8Click();
    void N9Click();
    void N10Click();

    // How "Получить размеры труб из чертежей…" asks its user (its windows,
    // TWDrawings and TWDrawingsRead; a test stands in for them): for the
    // drawings (none: the command ends), and, where some drawing could not
    // be read, whether to store the pipes of those that were.
    std::function<QStringList()> chooseDrawings;
    std::function<bool(const std::vector<DrawingRead>& reads)> storeWhatWasRead;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::TWMain> m_ui;
    DataModuleLink m_data{"main window"};
};

// The process-wide main window; the first window created, so closing it ends the program.
extern TWMain* WMain;
