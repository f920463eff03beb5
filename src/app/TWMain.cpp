#include "app/TWMain.h"

#include "ui_WMain.h"

#include "about/TWAbout.h"
#include "app/TWDrawings.h"
#include "app/TWDrawingsRead.h"
#include "cad/SelectEntityById.h"
#include "cad/TAbstrAcadObj.h"
#include "data/DatabaseMessages.h"
#include "data/FinishEdit.h"
#include "data/TSpecData.h"
#include "platform/db/Dataset.h"
#include "platform/messages/EntryPoint.h"
#include "platform/messages/Messages.h"
#include "platform/messages/Progress.h"
#include "reports/SheetExport.h"
#include "reports/TWSumTruba.h"
#include "spec/TSpecification.h"

#include <QCloseEvent>
#include <QMenu>
#include <QShowEvent>

#include <algorithm>

TWMain* WMain = nullptr;

namespace {

// The client area the window was designed for; the menu bar comes on top.
constexpr int ClientWidth = 400;
constexpr int ClientHeight = 441;

} // namespace

TWMain::TWMain(QWidget* parent) : QMainWindow(parent), m_ui(std::make_unique<Ui::TWMain>())
{
    m_ui->setupUi(this);
    resize(ClientWidth, ClientHeight + m_ui->MainMenu1->sizeHint().height());

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(m_ui->N9);
    m_ui->DBGrid1->setPopupMenu(PopupMenu1);

    auto command = [this](void (TWMain::*handler)()) {
        return [this, handler] { messages::runEntryPoint([this, handler] { (this->*handler)(); }); };
    };
    connect(m_ui->N3, &QAction::triggered, this, command(&TWMain::N3Click));
    connect(m_ui->N4, &QAction::triggered, this, command(&TWMain::N4Click));
    connect(m_ui->N6, &QAction::triggered, this, command(&TWMain::N6Click));
    connect(m_ui->N7, &QAction::triggered, this, command(&TWMain::N7Click));
    connect(m_ui->N8, &QAction::triggered, this, command(&TWMain::N8Click));
    connect(m_ui->N9, &QAction::triggered, this, command(&TWMain::N9Click));
    connect(m_ui->N10, &QAction::triggered, this, command(&TWMain::N10Click));

    chooseDrawings = [this] {
        TWDrawings chooser(this);
        return chooser.exec() == QDialog::Accepted ? chooser.drawings() : QStringList();
    };
    storeWhatWasRead = [this](const std::vector<DrawingRead>& reads) {
        return TWDrawingsRead(reads, this).exec() == QDialog::Accepted;
    };
}

TWMain::~TWMain() = default;

void TWMain::bindDataModule(TSpecData& data)
{
    m_data.bind(data);
    m_ui->DBGrid1->setDataSource(data.STruba);
    m_ui->DBNavigator1->setDataSource(data.STruba);
}

TSpecData& TWMain::dataModule() const
{
    return m_data.get();
}

void TWMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A window restored from the taskbar is shown again by the window system;
    // only the program's own show opens the database.
    if (!event->spontaneous())
        messages::runEntryPoint([this] { FormShow(); });
}

void TWMain::closeEvent(QCloseEvent* event)
{
    bool closed = false;
    messages::runEntryPoint([&] {
        FormClose();
        closed = true;
    });
    // A row that fails its validation keeps the window open with the user's
    // values; so does a post the database refuses.
    if (closed)
        event->accept();
    else
        event->ignore();
}

void TWMain::FormShow()
{
    TSpecData& data = dataModule();
    const QString path = data.ADOConnection.dataSource();
    try {
        data.ADOConnection.open();
        data.TTruba->open();
    } catch (const std::exception& e) {
        messages::showMessage(connectionFailureMessage(path, QString::fromUtf8(e.what())));
        return;
    } catch (...) {
        // Whatever kept the database closed, the user hears the one message.
        messages::showMessage(connectionFailureMessage(path, QString()));
        return;
    }
    // Said here, once: the grid and the navigator then take no edits, so
    // nothing typed is accepted only to be refused at the post.
    if (data.isReadOnly())
        messages::showMessage(readOnlyMessage(path));
}

void TWMain::FormClose()
{
    TSpecData& data = dataModule();
    if (data.TTruba->isActive())
        FinishEdit(*data.TTruba);
    data.TTruba->close();
}

void TWMain::N4Click() { close(); }

void TWMain::N3Click()
{
    // The window comes to the front only after the rows were stored, so a
    // failed attach leaves the CAD in front.
    {
        const progress::Task task(m_ui->N3->text(), TAbstrAcadObj::BusyText());
        HarvestPipes(dataModule());
    }
    raise();
    activateWindow();
}

void TWMain::N10Click()
{
    // A table that cannot take the rows is said so before the drawings are
    // chosen, let alone read.
    TSpecData& data = dataModule();
    RequireWritablePipeTable(data);
    const QStringList drawings = chooseDrawings();
    if (drawings.isEmpty())
        return;
    TSpecification specification(0);
    std::vector<DrawingRead> reads;
    {
        const progress::Task task(m_ui->N10->text(), TAbstrAcadObj::BusyText());
        reads = specification.ReadFromDrawings(drawings);
    }
    // Every drawing read: its rows replace the table's, as one drawing's do.
    // Otherwise its user says whether the drawings that were read do.
    const bool everyDrawingRead =
        std::all_of(reads.begin(), reads.end(), [](const DrawingRead& read) { return read.wasRead(); });
    if (!everyDrawingRead && !storeWhatWasRead(reads))
        return;
    {
        const progress::Task task(m_ui->N10->text());
        specification.SaveToTable(data);
    }
    raise();
    activateWindow();
}

void TWMain::N6Click() { WAbout->exec(); }

void TWMain::N7Click() { ShowTotals(*WSumTruba); }

void TWMain::N8Click()
{
    const progress::Task task(m_ui->N8->text());
    ExportPipeList(dataModule());
}

void TWMain::N9Click()
{
    // Each failed test ends the command quietly, before any attempt to reach
    // the CAD: a closed or empty table, or a row typed by hand (no ObjectID).
    TSpecData& data = dataModule();
    db::Dataset& table = *data.TTruba;
    if (!table.isActive())
        return;
    if (table.recordCount() <= 0)
        return;
    const int64_t objectId = data.TTrubaFObjectID->asInteger();
    if (objectId <= 0)
        return;
    const progress::Task task(m_ui->N9->text(), TAbstrAcadObj::BusyText());
    SelectEntityById(objectId, data.TTrubaFHandle->asString(), data.TTrubaFDrawing->asString(),
                     data.TTrubaFPath->asString());
}
