#include "platform/os/Shell.h"

#include <QProcess>
#include <QStringList>

namespace os {

void platformShellOpen(const QString& address)
{
    const QString target = shellAddress(address);
    if (target.isEmpty())
        return;
    // Detached: the handler outlives us, and its answer is not waited for.
    QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{target});
}

} // namespace os
