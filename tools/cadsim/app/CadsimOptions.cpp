#include "cadsim/app/CadsimOptions.h"

#include "cadsim/model/CadPersonality.h"

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
    const QCommandLineOption busyAfterCommand(
        QStringLiteral("busy-after-command"),
        QStringLiteral("Refuses every call as busy for this long after each command text it receives."),
        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption userCommand(
        QStringLiteral("user-command"),
        QStringLiteral("A command of its own user waits at a prompt from the start: the CAD is not idle, and "
                       "command text sent to it is input to that command. Esc in the window ends it."));
    const QCommandLineOption userCommandMs(QStringLiteral("user-command-ms"),
                                           QStringLiteral("As --user-command, ending by itself after this long."),
                                           QStringLiteral("MS"));
    const QCommandLineOption idSeed(
        QStringLiteral("id-seed"),
        QStringLiteral("ObjectIDs are new in every run, as a CAD's are; with the same seed they repeat."),
        QStringLiteral("N"));
    const QCommandLineOption lockedTrustedPaths(QStringLiteral("locked-trustedpaths"),
                                                QStringLiteral("Setting TRUSTEDPATHS fails, as on a locked profile."));
    const QCommandLineOption secureLoad(
        QStringLiteral("secureload"),
        QStringLiteral("SECURELOAD: 0 loads libraries (GetInterfaceObject) from any folder; 1 asks its user about "
                       "a folder it does not trust, and with nobody answering refuses; 2 refuses one."),
        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption noInterfaceObjects(
        QStringLiteral("no-interface-objects"),
        QStringLiteral("Refuses every GetInterfaceObject, as a CAD whose security settings block the load."));
    const QCommandLineOption as(
        QStringLiteral("as"),
        QStringLiteral("The CAD it plays: autocad, nanocad, zwcad, bricscad or gstarcad (their ProgIDs, caption, "
                       "version and idle query; bricscad loads no .fas files)."),
        QStringLiteral("CAD"), QStringLiteral("autocad"));
    const QCommandLineOption noVariable(
        QStringLiteral("no-variable"),
        QStringLiteral("The CAD has no such system variable: getVariable and setVariable of it fail. Repeatable."),
        QStringLiteral("NAME"));
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("Prints the entities and exits."));
    const QCommandLineOption supportPath(QStringLiteral("support-path"),
                                         QStringLiteral("The support folders, separated by \";\"; kept in the profile."),
                                         QStringLiteral("LIST"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("The profile file (SupportPath, TRUSTEDPATHS) to use."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption countCalls(
        QStringLiteral("count-calls"),
        QStringLiteral("At exit, writes to FILE how many name lookups and calls its objects served."),
        QStringLiteral("FILE"));
    parser.addOptions({help, versionText, busy, bigIds, idleDelay, busyAfterCommand, userCommand, userCommandMs, idSeed,
                       lockedTrustedPaths, secureLoad, noInterfaceObjects, as, noVariable, list, supportPath, settings,
                       countCalls});
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
    const auto milliseconds = [&](const QCommandLineOption& option, int& into) {
        bool valid = false;
        into = parser.value(option).toInt(&valid);
        if (valid && into >= 0)
            return true;
        error = QStringLiteral("--%1 takes a number of milliseconds, not \"%2\".")
                    .arg(option.names().front(), parser.value(option));
        return false;
    };
    if (!milliseconds(busyAfterCommand, o.busyAfterCommandMs))
        return std::nullopt;
    o.userCommand = parser.isSet(userCommand) || parser.isSet(userCommandMs);
    if (parser.isSet(userCommandMs)) {
        int ms = 0;
        if (!milliseconds(userCommandMs, ms))
            return std::nullopt;
        o.userCommandMs = ms;
    }
    if (parser.isSet(idSeed)) {
        bool valid = false;
        o.idSeed = parser.value(idSeed).toUInt(&valid);
        if (!valid) {
            error = QStringLiteral("--id-seed takes a whole number, not \"%1\".").arg(parser.value(idSeed));
            return std::nullopt;
        }
    }
    o.lockedTrustedPaths = parser.isSet(lockedTrustedPaths);
    bool secureLoadValid = false;
    o.secureLoad = parser.value(secureLoad).toInt(&secureLoadValid);
    if (!secureLoadValid || o.secureLoad < 0 || o.secureLoad > 2) {
        error = QStringLiteral("--secureload takes 0, 1 or 2, not \"%1\".").arg(parser.value(secureLoad));
        return std::nullopt;
    }
    o.interfaceObjects = !parser.isSet(noInterfaceObjects);
    o.as = parser.value(as).toLower();
    if (!findCadPersonality(o.as.toStdU16String())) {
        error = QStringLiteral("--as takes autocad, nanocad, zwcad, bricscad or gstarcad, not \"%1\".").arg(o.as);
        return std::nullopt;
    }
    o.missingVariables = parser.values(noVariable);
    o.list = parser.isSet(list);
    if (parser.isSet(supportPath))
        o.supportPath = parser.value(supportPath);
    o.settingsFile = parser.value(settings);
    if (parser.isSet(countCalls))
        o.callCountFile = parser.value(countCalls);
    return o;
}

} // namespace cadsim
