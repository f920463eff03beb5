#pragma once

#include <QString>

#include <functional>

namespace os {

// Opens an address (a web page, a "mailto:" address) with the desktop's
// default handler. The outcome is not reported: the shell's answer is ignored.
void shellOpen(const QString& address);

using ShellOpener = std::function<void(const QString& address)>;

// Replaces what shellOpen does, for the whole process, and returns the
// previous opener; an empty function brings the platform's own back. Tests
// install one so that no program is ever launched.
ShellOpener setShellOpener(ShellOpener opener);

// The address as the desktop handler is to receive it. The Windows shell
// opens a bare host name ("www.example.com") as a web page; other desktops
// need the scheme spelled out, so an address with neither a scheme nor an
// absolute path gets "http://" in front.
QString shellAddress(const QString& address);

// The platform's own opener (ShellExecuteW on Windows, xdg-open elsewhere).
void platformShellOpen(const QString& address);

} // namespace os
