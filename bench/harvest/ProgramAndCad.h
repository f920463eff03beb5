#pragma once

// The program as the user has it, for the benchmarks of the harvest: a
// database made from the schema, the session main() makes (with its messages
// kept, not shown), and the CAD simulator as a process of its own, all in a
// private folder.

#include "app/Session.h"
#include "platform/automation/Variant.h"
#include "platform/messages/Messages.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QuietMessages final : public messages::MessageService {
public:
    void showMessage(const QString& text) override { shown << text; }
    void showError(const QString& text) override { shown << text; }
    QStringList shown;
};

struct ProgramAndCad {
    QTemporaryDir folder;
    QProcess cad;
    automation::Variant application;
    QuietMessages quiet;
    std::unique_ptr<Session> session;

    // The folders, the database and the session; false when any of them
    // could not be made.
    bool prepare();
    // The main window shown, as at the program's start: the table opens.
    bool showWindow();
    // The simulator (ended first if it runs) with `options` on `drawing`,
    // its settings and support folder in the private folder; false when it
    // does not serve.
    bool startCad(const QStringList& options, const QString& drawing);
    void stop();

    int storedRows() const;
};
