#pragma once

#include "cadsim/model/Simulator.h"

#include <QMainWindow>

class QLabel;
class QTableView;

namespace cadsim {

class EntityTableModel;

// The simulator's main window: titled with the application's caption, as a
// program looking for the CAD's window expects, it lists the entities of the
// active drawing and highlights the pickfirst selection. Clicking rows selects
// those entities, as picking them in a CAD would.
//
// The model tells of changes on whatever thread made them (a client's call
// is served on a connection thread); the window takes them over to its own
// thread before it touches any widget.
class CadsimWindow : public QMainWindow {
    Q_OBJECT
public:
    CadsimWindow(Simulator simulator, int64_t objectIdOffset, QWidget* parent = nullptr);
    ~CadsimWindow() override;

    EntityTableModel* entityModel() const { return m_model; }

    // A note about how the drawing was read (an assumed code page), kept in
    // the status bar for as long as the window is open.
    void showDrawingNote(const QString& note);
    QString drawingNote() const;
    // The question the CAD asked its user about loading a library from a
    // folder it does not trust (SECURELOAD 1), shown above the entities;
    // empty while it has asked none.
    QString loadQuestion() const;

signals:
    // A setting the profile keeps changed (SupportPath, TRUSTEDPATHS).
    void settingsChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onChange(Change change);
    void refreshStatus();
    void refreshDrawing();
    void refreshSelection();
    void refreshTitle();
    void userSelected();
    void showLoadQuestion();

    Simulator m_simulator;
    int64_t m_objectIdOffset;
    EntityTableModel* m_model;
    QTableView* m_view;
    QLabel* m_status;
    QLabel* m_note;
    QLabel* m_question;
    int m_observer = 0;
    bool m_syncingSelection = false;
};

} // namespace cadsim
