#include "app/TWProgress.h"

#include "ui_WProgress.h"

#include "app/InputBlocker.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

TWProgress::TWProgress(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::TWProgress>())
{
    m_ui->setupUi(this);
    // No close box: the command ends when its work is done, or when its user
    // stops it with "Отмена".
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(size());
    connect(m_ui->BCancel, &QPushButton::clicked, this, &TWProgress::requestCancel);
}

void TWProgress::requestCancel()
{
    if (m_depth == 0)
        return;
    m_cancelRequested = true;
    m_ui->BCancel->setEnabled(false);
}

TWProgress::~TWProgress() = default;

void TWProgress::begin(const QString& title)
{
    if (m_depth++ > 0)
        return;
    setWindowTitle(title);
    m_stage.clear();
    m_busyText.clear();
    m_showingBusy = false;
    m_done = m_total = 0;
    m_cancelRequested = false;
    m_ui->BCancel->setEnabled(true);
    m_running.start();
    m_lastDrawMs = -DrawEveryMs;
}

void TWProgress::end()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    hide();
}

void TWProgress::stage(const QString& text)
{
    m_showingBusy = false;
    m_stage = text;
    m_done = m_total = 0;
    // A stage that counts is drawn with its first step, not as "0 из 0".
    if (m_depth > 0 && !text.contains(QLatin1String("%1")))
        drawIfDue();
}

void TWProgress::step(int64_t done, int64_t total)
{
    m_showingBusy = false;
    m_done = done;
    m_total = total;
    if (m_depth > 0)
        drawIfDue();
}

void TWProgress::pause(int milliseconds)
{
    // The windows are drawn, and the window itself comes up when due, all
    // through the pause; the user's input is dropped.
    // A pause of no length (a wait for another program's answer, asked
    // between slices of it) still draws and lets the events through once.
    const InputBlocker blocker(this);
    const QDeadlineTimer deadline(milliseconds);
    do {
        if (m_depth > 0)
            drawIfDue();
        QEventLoop loop;
        QTimer::singleShot(std::clamp<qint64>(deadline.remainingTime(), 0, DrawEveryMs), &loop, &QEventLoop::quit);
        loop.exec();
    } while (!deadline.hasExpired());
}

void TWProgress::setBusyText(const QString& text)
{
    if (m_depth <= 1)
        m_busyText = text;
}

void TWProgress::busyPause(int64_t refusedMs, int milliseconds)
{
    if (refusedMs >= progress::BusyNoticeMs && !m_busyText.isEmpty() && !m_showingBusy) {
        m_showingBusy = true;
        m_lastDrawMs = -DrawEveryMs; // shown at once
    }
    pause(milliseconds);
}

QString TWProgress::stageText() const { return m_ui->LStage->text(); }

void TWProgress::drawIfDue()
{
    const qint64 now = m_running.elapsed();
    if (now - m_lastDrawMs < DrawEveryMs || now < m_showAfterMs)
        return;
    m_lastDrawMs = now;
    refresh();
    if (!isVisible()) {
        if (QWidget* over = parentWidget())
            move(over->geometry().center() - rect().center());
        show();
    }
    const InputBlocker blocker(this);
    QCoreApplication::processEvents();
}

void TWProgress::refresh()
{
    QString text = m_showingBusy ? m_busyText : m_stage;
    if (text.contains(QLatin1String("%1")))
        text = text.arg(m_done).arg(m_total);
    m_ui->LStage->setText(text);
    if (m_total > 0) {
        // The bar counts in thousandths, whatever the total.
        m_ui->Bar->setRange(0, 1000);
        m_ui->Bar->setValue(int(std::clamp<int64_t>(m_done * 1000 / m_total, 0, 1000)));
    } else {
        m_ui->Bar->setRange(0, 0); // busy, without an end in sight
    }
}

void TWProgress::closeEvent(QCloseEvent* event) { event->ignore(); }

// Esc would reject the dialog at once; it asks the command to stop instead,
// as "Отмена" does, and the window goes when the command has stopped.
void TWProgress::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        requestCancel();
    event->accept();
}
