#include "cadsim/app/CadsimOptions.h"

#include <QCommandLineParser>

namespace cadsim {

std::optional<CadsimOptions> CadsimOptions::parse(const QStringList& arguments, QString& error, bool& helpAsked)
{
    helpAsked = false;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A stand-in CAD application: opens an ASCII DXF drawing and serves it as the running "
        "\"AutoCAD.Application\" for programs that attach to it."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption versionText(QStringLiteral("version-text"),
                                         QStringLiteral("The text the application's Version answers."),
                                         QStringLiteral("TEXT"));
    const QCommandLineOption busy(QStringLiteral("busy"),
                                  QStringLiteral("Refuses every call, as a CAD busy with its user's command."));
    const QCommandLineOption bigIds(QStringLiteral("big-ids"), QStringLiteral("Hands out ObjectIDs above 32 bits."));
    const QCommandLineOption idleDelay(QStringLiteral("idle-delay"),
                                       QStringLiteral("Stays busy this long after each command."),
                                       QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("Prints the entities and exits."));
    const QCommandLineOption supportPath(QStringLiteral("support-path"),
                                         QStringLiteral("The support folders, separated by \";\"; kept in the profile."),
                                         QStringLiteral("LIST"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("The profile file (SupportPath, TRUSTEDPATHS) to use."),
                                      QStringLiteral("FILE"));
    parser.addOptions({help, versionText, busy, bigIds, idleDelay, list, supportPath, settings});
    parser.addPositionalArgument(QStringLiteral("drawing"), QStringLiteral("The ASCII DXF file to open."));

    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        helpAsked = true;
        error = parser.helpText();
        return std::nullopt;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        error = QStringLiteral("Give one drawing (a DXF file) to open.");
        return std::nullopt;
    }

    CadsimOptions o;
    o.drawing = positional.front();
    if (parser.isSet(versionText))
        o.versionText = parser.value(versionText);
    o.busy = parser.isSet(busy);
    o.bigIds = parser.isSet(bigIds);
    bool ok = false;
    o.idleDelayMs = parser.value(idleDelay).toInt(&ok);
    if (!ok || o.idleDelayMs < 0) {
        error = QStringLiteral("--idle-delay takes a number of milliseconds, not \"%1\".").arg(parser.value(idleDelay));
        return std::nullopt;
    }
    o.list = parser.isSet(list);
    if (parser.isSet(supportPath))
        o.supportPath = parser.value(supportPath);
    o.settingsFile = parser.value(settings);
    return o;
}

} // namespace cadsim
