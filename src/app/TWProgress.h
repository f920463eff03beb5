#pragma once

#include "platform/messages/Progress.h"

#include <QDialog>
#include <QElapsedTimer>

#include <memory>

namespace Ui {
class TWProgress;
}

// The progress window of a long command ("Получить размеры труб", "Экспорт в
// Excel", "Выделить"): a modal window titled with the command's name, with
// the stage it is in, a bar and "Отмена". It comes up only once the command
// has run for half a second, and it is redrawn at most every 50 ms, so that a
// short command shows nothing and a long one pays nothing measurable. While
// it waits or draws, the program's windows are repainted and the user's
// input is dropped, but for this window's own: "Отмена", or Esc in it, asks
// the command to stop, which it does at its next chunk of work or retry.
class TWProgress final : public QDialog, public progress::Display {
    Q_OBJECT
public:
    explicit TWProgress(QWidget* parent = nullptr);
    ~TWProgress() override;

    static constexpr int ShowAfterMs = 500;
    static constexpr int DrawEveryMs = 50;

    void begin(const QString& title) override;
    void end() override;
    void stage(const QString& text) override;
    void step(int64_t done, int64_t total) override;
    void pause(int milliseconds) override;
    void setBusyText(const QString& text) override;
    void busyPause(int64_t refusedMs, int milliseconds) override;
    bool cancelRequested() const override { return m_cancelRequested; }

    // For tests: the delay before the window shows (ShowAfterMs by default).
    void setShowAfter(int milliseconds) { m_showAfterMs = milliseconds; }
    QString stageText() const;
    // The user's "Отмена" or Esc, as the window hears them.
    void requestCancel();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Shows the window once it is due and refreshes it, at most every
    // DrawEveryMs; then lets the window system's events through (no input).
    void drawIfDue();
    void refresh();

    std::unique_ptr<Ui::TWProgress> m_ui;
    int m_depth = 0;
    int m_showAfterMs = ShowAfterMs;
    QElapsedTimer m_running;
    qint64 m_lastDrawMs = -DrawEveryMs;
    QString m_stage;
    QString m_busyText;
    bool m_showingBusy = false; // until the next stage or step
    int64_t m_done = 0;
    int64_t m_total = 0;
    bool m_cancelRequested = false;
};
