#include "platform/os/Shell.h"

#include <QRegularExpression>

#include <utility>

namespace os {
namespace {

ShellOpener& currentOpener()
{
    static ShellOpener opener;
    return opener;
}

} // namespace

void shellOpen(const QString& address)
{
    const ShellOpener& opener = currentOpener();
    if (opener)
        opener(address);
    else
        platformShellOpen(address);
}

ShellOpener setShellOpener(ShellOpener opener)
{
    return std::exchange(currentOpener(), std::move(opener));
}

QString shellAddress(const QString& address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty())
        return trimmed;
    // A scheme is two or more characters before a colon, so that a drive
    // letter ("C:\...") is not taken for one.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    const bool absolutePath = trimmed.startsWith(u'/') || trimmed.startsWith(u'\\')
        || (trimmed.size() >= 3 && trimmed[0].isLetter() && trimmed[1] == u':'
            && (trimmed[2] == u'\\' || trimmed[2] == u'/'));
    if (scheme.match(trimmed).hasMatch() || absolutePath)
        return trimmed;
    return QStringLiteral("http://") + trimmed;
}

} // namespace os
