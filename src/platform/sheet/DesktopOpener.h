#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

namespace sheet {

// The stand-in's default opener: shows the file with the desktop's default
// program, or throws a std::runtime_error that says why nothing shows it.
void openWithDesktop(const QString& path);

#ifndef _WIN32
// How a program that was handed a file fared.
struct Launch {
    bool shown = false;
    QString reason; // why not, when not
};

// Starts `program` with `arguments` and judges by how it ends. A desktop's
// opener (xdg-open) hands the file to a running desktop and ends at once with
// its verdict: 0 when a program took the file, non-zero when none could. Where
// it runs the program itself it lasts as long as that program shows the file,
// so one still running after `settle` counts as shown; it is then left to run
// and collected when it ends.
Launch launchAndJudge(const QString& program, const QStringList& arguments, std::chrono::milliseconds settle);

// The program openWithDesktop() runs ("xdg-open"); tests name their own, so
// that no real program is ever started. Returns the previous one.
QString setDesktopOpenProgram(QString program);
#endif

} // namespace sheet
