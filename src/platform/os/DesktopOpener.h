#pragma once

#include <QString>

#include <chrono>
#include <functional>

#ifndef _WIN32
#include <QStringList>
#endif

namespace os {

// How the desktop fared with what it was handed.
struct OpenVerdict {
    bool shown = false;
    QString reason; // why not, when not
};

// Whether the caller waits for the desktop's verdict. A link hands its
// address over and forgets it; a program that tells the user where a file
// lies when nothing shows it must wait for the answer. Where the shell
// answers at once (Windows) there is nothing to wait for either way.
enum class OpenWait { No, ForVerdict };

// Opens a file, a web page or a "mailto:" address with the desktop's default
// handler: ShellExecuteW on Windows, xdg-open elsewhere. Not waiting, the
// verdict only says whether the handler could be started at all; waiting,
// it is the handler's own, as judged by launchAndJudge. Never throws for
// what the desktop does; a test's opener (setDesktopOpener) may.
OpenVerdict openWithDesktop(const QString& target, OpenWait wait);

using DesktopOpener = std::function<OpenVerdict(const QString& target, OpenWait wait)>;

// Replaces what openWithDesktop does, for the whole process, and returns the
// previous opener; an empty function brings the platform's own back. Tests
// install one so that no program is ever launched. The opener is handed the
// target unchanged.
DesktopOpener setDesktopOpener(DesktopOpener opener);

// The address as the desktop handler is to receive it. The Windows shell
// opens a bare host name ("www.example.com") as a web page; other desktops
// need the scheme spelled out, so an address with neither a scheme nor an
// absolute path gets "http://" in front.
QString shellAddress(const QString& address);

// The platform's own opener, which openWithDesktop runs unless a test
// replaced it.
OpenVerdict platformOpenWithDesktop(const QString& target, OpenWait wait);

#ifndef _WIN32
// Starts `program` with `arguments` and judges by how it ends. A desktop's
// opener (xdg-open) hands the file to a running desktop and ends at once with
// its verdict: 0 when a program took the file, non-zero when none could. Where
// it runs the program itself it lasts as long as that program shows the file,
// so one still running after `settle` counts as shown; it is then left to run
// and collected when it ends. A zero `settle` judges only whether it started.
OpenVerdict launchAndJudge(const QString& program, const QStringList& arguments, std::chrono::milliseconds settle);
#endif

} // namespace os
