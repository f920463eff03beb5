#pragma once

#include "platform/automation/Variant.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <string>

// The CAD simulator program, started on a drawing in a private folder of its
// own: its runtime folder (where it registers as the running CAD), settings
// file and data and config folders all lie there, so a test never meets the
// user's simulator or profile. This process's runtime folder is pointed there
// too, so that its lookups find the simulator. Stopped when it goes.
class CadsimProcess {
public:
    // Writes the drawing as pipes.dxf and makes the folders; nothing starts yet.
    explicit CadsimProcess(const QByteArray& drawingDxf);
    ~CadsimProcess();
    CadsimProcess(const CadsimProcess&) = delete;
    CadsimProcess& operator=(const CadsimProcess&) = delete;

    QString path(const QString& name) const { return m_folder.filePath(name); }
    // Replaces the drawing the next start opens.
    void writeDrawing(const QByteArray& drawingDxf);

    // Starts the program with `options` (before its own settings and drawing
    // arguments) and waits until it answers as the running CAD application
    // under `progId`; returns that application, or Empty after reporting a
    // test failure. The remote backend must be installed in this process.
    automation::Variant start(QStringList options = {}, std::u16string progId = u"AutoCAD.Application");
    // Ends the program the way a user's Ctrl+C does.
    void stop();

    QProcess& process() { return m_process; }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
};
