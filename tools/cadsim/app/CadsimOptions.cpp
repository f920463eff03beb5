#include "cadsim/app/CadsimOptions.h"

#include "cadsim/model/CadPersonality.h"

#include <QCommandLineParser>

namespace cadsim {

namespace {

// Every option: its name, what --help says of it, and, for one that takes a
// value, the value's name and default.
struct OptionText {
    const char* name;
    const char* help;
    const char* valueName = nullptr;
    const char* defaultValue = nullptr;
};

const OptionText optionTexts[] = {
    {"version-text", "The text the application's Version answers.", "TEXT"},
    {"busy", "Refuses every call, as a CAD busy with its user's command."},
    {"big-ids", "Hands out ObjectIDs above 32 bits."},
    {"idle-delay", "Stays busy this long after each command.", "MS", "0"},
    {"busy-after-command", "Refuses every call as busy for this long after each command text it receives.", "MS",
     "0"},
    {"refuse-calls-after",
     "After serving this many member calls, refuses every call from outside as busy for the time --refuse-for "
     "gives, once; then serves again: a CAD that turns busy in the middle of a walk.",
     "N"},
    {"refuse-for", "How long --refuse-calls-after refuses calls.", "MS", "10000"},
    {"user-command",
     "A command of its own user waits at a prompt from the start: the CAD is not idle, and command text sent to it "
     "is input to that command. Esc in the window ends it."},
    {"user-command-ms", "As --user-command, ending by itself after this long.", "MS"},
    {"id-seed", "ObjectIDs are new in every run, as a CAD's are; with the same seed they repeat.", "N"},
    {"locked-trustedpaths", "Setting TRUSTEDPATHS fails, as on a locked profile."},
    {"secureload",
     "SECURELOAD: 0 loads libraries (GetInterfaceObject) from any folder; 1 asks its user about a folder it does "
     "not trust, and with nobody answering refuses; 2 refuses one.",
     "N", "1"},
    {"no-interface-objects",
     "Refuses to load any library (GetInterfaceObject), as a CAD whose security settings block the load; its "
     "built-in drawing reader stays."},
    {"no-drawing-reader",
     "The CAD has no drawing reader: GetInterfaceObject of its ObjectDBX class (AutoCAD's "
     "ObjectDBX.AxDbDocument.<release>, ZWCAD's ObjectDBX.ZxDbDocument.<release>), which otherwise opens a "
     "drawing file (DXF, whatever its extension) without the editor, is refused."},
    {"as",
     "The CAD it plays: autocad, nanocad, zwcad, bricscad or gstarcad (their ProgIDs, caption, version and idle "
     "query; bricscad loads no .fas files).",
     "CAD", "autocad"},
    {"progid",
     "The one ProgID it answers under, instead of every one of the CAD it plays: a CAD of which one release is "
     "installed, or the program's lookup tried one name at a time.",
     "NAME"},
    {"no-variable", "The CAD has no such system variable: getVariable and setVariable of it fail. Repeatable.",
     "NAME"},
    {"list", "Prints the entities and exits."},
    {"support-path", "The support folders, separated by \";\"; kept in the profile.", "LIST"},
    {"settings", "The profile file (SupportPath, TRUSTEDPATHS) to use.", "FILE"},
    {"count-calls", "At exit, writes to FILE how many name lookups and calls its objects served.", "FILE"},
};

QCommandLineOption option(const OptionText& text)
{
    QCommandLineOption made(QString::fromLatin1(text.name), QString::fromUtf8(text.help));
    if (text.valueName)
        made.setValueName(QString::fromLatin1(text.valueName));
    if (text.defaultValue)
        made.setDefaultValue(QString::fromLatin1(text.defaultValue));
    return made;
}

// Reads the values the parser was given, and tells the first that is wrong.
class Reader {
public:
    Reader(const QCommandLineParser& parser, QString& error) : m_parser(parser), m_error(error) {}

    bool isSet(const char* name) const { return m_parser.isSet(QString::fromLatin1(name)); }
    QString value(const char* name) const { return m_parser.value(QString::fromLatin1(name)); }
    std::optional<QString> optional(const char* name) const
    {
        return isSet(name) ? std::optional(value(name)) : std::nullopt;
    }

    // A number of milliseconds, 0 or more.
    bool milliseconds(const char* name, int& into) const
    {
        bool valid = false;
        into = value(name).toInt(&valid);
        return valid && into >= 0 ? true : fail("--%1 takes a number of milliseconds, not \"%2\".", name);
    }

    bool fail(const char* text, const char* name) const
    {
        m_error = QString::fromLatin1(text).arg(QString::fromLatin1(name), value(name));
        return false;
    }

private:
    const QCommandLineParser& m_parser;
    QString& m_error;
};

// How the CAD behaves towards its clients: busy, slow, its user's command.
bool readBehaviour(const Reader& in, CadsimOptions& o)
{
    o.versionText = in.optional("version-text");
    o.busy = in.isSet("busy");
    o.bigIds = in.isSet("big-ids");
    if (!in.milliseconds("idle-delay", o.idleDelayMs) || !in.milliseconds("busy-after-command", o.busyAfterCommandMs)
        || !in.milliseconds("refuse-for", o.refuseForMs))
        return false;
    if (in.isSet("refuse-calls-after")) {
        bool valid = false;
        const int calls = in.value("refuse-calls-after").toInt(&valid);
        if (!valid || calls < 0)
            return in.fail("--%1 takes a number of calls, not \"%2\".", "refuse-calls-after");
        o.refuseCallsAfter = calls;
    }
    o.userCommand = in.isSet("user-command") || in.isSet("user-command-ms");
    if (in.isSet("user-command-ms")) {
        int ms = 0;
        if (!in.milliseconds("user-command-ms", ms))
            return false;
        o.userCommandMs = ms;
    }
    if (in.isSet("id-seed")) {
        bool valid = false;
        o.idSeed = in.value("id-seed").toUInt(&valid);
        if (!valid)
            return in.fail("--%1 takes a whole number, not \"%2\".", "id-seed");
    }
    return true;
}

// Which CAD it is and how it guards itself: its ProgIDs, variables, trust.
bool readIdentity(const Reader& in, CadsimOptions& o)
{
    o.lockedTrustedPaths = in.isSet("locked-trustedpaths");
    bool valid = false;
    o.secureLoad = in.value("secureload").toInt(&valid);
    if (!valid || o.secureLoad < 0 || o.secureLoad > 2)
        return in.fail("--%1 takes 0, 1 or 2, not \"%2\".", "secureload");
    o.interfaceObjects = !in.isSet("no-interface-objects");
    o.drawingReader = !in.isSet("no-drawing-reader");
    o.as = in.value("as").toLower();
    if (!findCadPersonality(o.as.toStdU16String()))
        return in.fail("--%1 takes autocad, nanocad, zwcad, bricscad or gstarcad, not \"%2\".", "as");
    o.progId = in.optional("progid");
    if (o.progId && (o.progId->isEmpty() || o.progId->size() > 39 || o.progId->contains(u' ')))
        return in.fail("--%1 takes a ProgID (up to 39 characters, no blanks), not \"%2\".", "progid");
    return true;
}

} // namespace

std::optional<CadsimOptions> CadsimOptions::parse(const QStringList& arguments, QString& error, bool& helpAsked)
{
    helpAsked = false;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A stand-in CAD application: opens an ASCII DXF drawing and serves it as the running "
        "\"AutoCAD.Application\" (or another CAD's, --as) for programs that attach to it."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    parser.addOption(help);
    for (const OptionText& text : optionTexts)
        parser.addOption(option(text));
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
    const Reader in(parser, error);
    if (!readBehaviour(in, o) || !readIdentity(in, o))
        return std::nullopt;
    o.missingVariables = parser.values(QStringLiteral("no-variable"));
    o.list = in.isSet("list");
    o.supportPath = in.optional("support-path");
    o.settingsFile = in.value("settings");
    o.callCountFile = in.optional("count-calls");
    return o;
}

} // namespace cadsim
