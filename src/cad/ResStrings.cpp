#include "cad/ResStrings.h"

namespace ResStrings {

QString text(int id)
{
    switch (id) {
    case SFailuresToCopyFile:
        return QStringLiteral("Failures to copy file %s\rby neither path:\r%s");
    case SAcadNotReady:
        return QStringLiteral("AutoCAD is not ready to work with the program.\r"
                              "Please check if AutoCAD is currently performing some user's command.\r"
                              "If yes, cancel the command (button Esc) and try again.");
    case SCannotFindAcad:
        return QStringLiteral("Cannot find AutoCAD that has been already started!!!");
    case SFailureToAddLayer:
        return QStringLiteral("Failure to add layer %s to the layers list!");
    default:
        return QString();
    }
}

QString format(int id, const QStringList& args)
{
    const QString pattern = text(id);
    QString result;
    result.reserve(pattern.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u's') {
            if (next < args.size())
                result += args[next];
            ++next;
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

} // namespace ResStrings
