#include "platform/os/DesktopOpener.h"

#include <QRegularExpression>

#include <utility>

namespace os {
namespace {

DesktopOpener& currentOpener()
{
    static DesktopOpener opener;
    return opener;
}

} // namespace

OpenVerdict openWithDesktop(const QString& target, OpenWait wait)
{
    const DesktopOpener& opener = currentOpener();
    if (opener)
        return opener(target, wait);
    return platformOpenWithDesktop(target, wait);
}

DesktopOpener setDesktopOpener(DesktopOpener opener)
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
