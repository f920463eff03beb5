#include "cadsim/app/CadsimWindow.h"

#include "cadsim/app/EntityTableModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

namespace cadsim {

CadsimWindow::CadsimWindow(Simulator simulator, int64_t objectIdOffset, QWidget* parent)
    : QMainWindow(parent),
      m_simulator(std::move(simulator)),
      m_objectIdOffset(objectIdOffset),
      m_model(new EntityTableModel(this)),
      m_view(new QTableView(this)),
      m_status(new QLabel(this)),
      m_note(new QLabel(this)),
      m_question(new QLabel(this))
{
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch); // the layer name
    setCentralWidget(m_view);
    statusBar()->addWidget(m_status);
    statusBar()->addPermanentWidget(m_note);
    m_question->setWordWrap(true);
    m_question->setStyleSheet(QStringLiteral("QLabel { background: #fff3b0; padding: 4px; }"));
    m_question->hide();
    setMenuWidget(m_question);
    resize(900, 480);

    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CadsimWindow::userSelected);

    m_observer = m_simulator.addObserver([this](Change change) {
        QMetaObject::invokeMethod(this, [this, change] { onChange(change); }, Qt::QueuedConnection);
    });
    refreshDrawing();
    refreshTitle();
    refreshStatus();
    // A command of the user's that ends by itself says so when its time is up.
    auto* statusTimer = new QTimer(this);
    connect(statusTimer, &QTimer::timeout, this, &CadsimWindow::refreshStatus);
    statusTimer->start(250);
}

CadsimWindow::~CadsimWindow()
{
    // The owner stops serving clients before the window goes, so no other
    // thread is inside the observer by now.
    m_simulator.removeObserver(m_observer);
}

void CadsimWindow::showDrawingNote(const QString& note) { m_note->setText(note); }

QString CadsimWindow::drawingNote() const { return m_note->text(); }

void CadsimWindow::onChange(Change change)
{
    switch (change) {
    case Change::Drawing: refreshDrawing(); break;
    case Change::Selection: refreshSelection(); break;
    case Change::Documents:
        refreshDrawing();
        refreshTitle();
        break;
    case Change::Settings: emit settingsChanged(); break;
    case Change::Commands: refreshStatus(); break;
    case Change::Questions: showLoadQuestion(); break;
    }
}

// What a CAD asks its user before it loads code from a folder it does not
// trust; the simulator's user never answers, and the load was refused.
void CadsimWindow::showLoadQuestion()
{
    const std::vector<std::u16string> asked = m_simulator.loadQuestions();
    if (asked.empty())
        return;
    m_question->setText(tr("Load %1 from a folder that is not trusted? (SECURELOAD = 1: refused, nobody answered)")
                            .arg(QString::fromStdU16String(asked.back())));
    m_question->show();
}

QString CadsimWindow::loadQuestion() const { return m_question->isVisible() ? m_question->text() : QString(); }

void CadsimWindow::refreshStatus()
{
    QString text = tr("Commands received: %1").arg(m_simulator.commands().size());
    if (m_simulator.userCommandPending())
        text += tr(" | Your command waits at its prompt: Esc ends it");
    m_status->setText(text);
}

// Esc ends the user's own command, as on a CAD's command line.
void CadsimWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_simulator.userCommandPending()) {
        m_simulator.endUserCommand();
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void CadsimWindow::refreshDrawing()
{
    const Drawing drawing = m_simulator.activeDrawing();
    m_model->setRows(entityRows(drawing, m_objectIdOffset));
    m_view->resizeColumnsToContents();
    refreshSelection();
}

void CadsimWindow::refreshSelection()
{
    QSet<QString> handles;
    for (const std::u16string& h : m_simulator.selectedHandles())
        handles.insert(QString::fromStdU16String(h));
    m_model->setSelectedHandles(handles);

    // Mirror the pickfirst set in the view's own selection, without taking
    // that for a user's pick.
    m_syncingSelection = true;
    QItemSelection selection;
    int first = -1;
    for (int r = 0; r < m_model->rowCount(); ++r)
        if (m_model->isSelected(r)) {
            selection.select(m_model->index(r, 0), m_model->index(r, m_model->columnCount() - 1));
            if (first < 0)
                first = r;
        }
    m_view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (first >= 0)
        m_view->scrollTo(m_model->index(first, 0));
    m_syncingSelection = false;
}

void CadsimWindow::refreshTitle() { setWindowTitle(QString::fromStdU16String(m_simulator.caption())); }

void CadsimWindow::userSelected()
{
    if (m_syncingSelection)
        return;
    std::vector<std::u16string> handles;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        handles.push_back(m_model->row(index.row()).handle.toStdU16String());
    m_simulator.setSelectedHandles(handles);
}

} // namespace cadsim
