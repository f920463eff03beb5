#include "platform/os/DesktopOpener.h"

#include "platform/hooks/ProcessHook.h"

#include <QRegularExpression>

#include <utility>

namespace os {
namespace {

hooks::ProcessHook<DesktopOpener>& hook()
{
    static hooks::ProcessHook<DesktopOpener> installed(&platformOpenWithDesktop);
    return installed;
}

} // namespace

OpenVerdict openWithDesktop(const QString& target, OpenWait wait)
{
    return hook().current()(target, wait);
}

DesktopOpener setDesktopOpener(DesktopOpener opener)
{
    return hook().install(std::move(opener));
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
