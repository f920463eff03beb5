// sheetsim: the spreadsheet stand-in served to other programs as
// "Excel.Sheet" through COM, so that a program's exports can be tried where
// no spreadsheet application is installed (Wine). Each workbook a client
// fills is written as an .xlsx file when the client lets go of it.
//
//   sheetsim.exe /regserver [--folder DIR] [--busy-after-cells N MS] [--count-calls FILE]
//                                            registers the class for the current user;
//                                            COM starts the server with those options
//                                            (refusing calls for MS after every N cells;
//                                            writing to FILE, as it ends, how many name
//                                            lookups and calls it served)
//   sheetsim.exe /unregserver                removes the registration
//   sheetsim.exe [--folder DIR] -Embedding   how COM starts it
//
// Exit codes: 0 done; 1 registering or serving failed; 2 a usage error.
#include "sheetsim/SheetServer.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/ServedCalls.h"
#include "platform/automation/Utf8.h"
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/ServerRegistry.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <windows.h>

#include <shellapi.h>

#include <cstdio>

namespace {

// When COM started the program for nobody (the client gave up meanwhile).
constexpr unsigned idleLimitMs = 60 * 1000;

QStringList commandLine()
{
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QString::fromWCharArray(args[i]);
    ::LocalFree(args);
    return list;
}

bool isSwitch(const QString& argument, const char* name)
{
    QString bare = argument;
    if (bare.startsWith(QLatin1Char('/')) || bare.startsWith(QLatin1Char('-')))
        bare.remove(0, 1);
    return bare.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

struct ServerOptions {
    QString folder;
    sheetsim::BusyAfterCells busy;
    QString callCountFile;
};

automation::com::ServerClass serverClass(const ServerOptions& options)
{
    std::u16string program = commandLine().value(0).toStdU16String();
    wchar_t path[MAX_PATH] = {};
    if (const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH); length > 0 && length < MAX_PATH)
        program = QString::fromWCharArray(path, static_cast<int>(length)).toStdU16String();
    return {.progId = sheetsim::ProgId,
            .classId = sheetsim::ClassId,
            .description = u"Vedoris spreadsheet stand-in",
            .localServer = sheetsim::serverCommand(program, options.folder, options.busy, options.callCountFile)};
}

int registration(bool add, const ServerOptions& options)
{
    automation::com::Apartment apartment; // CLSIDFromProgID wants COM
    try {
        if (add)
            automation::com::registerServerClass(serverClass(options));
        else
            automation::com::unregisterServerClass(serverClass(options));
    } catch (const automation::AutomationError& e) {
        std::fprintf(stderr, "sheetsim: %s\n", automation::toUtf8(e.message()).c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main()
{
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    enum class Action { Serve, Register, Unregister } action = Action::Serve;
    ServerOptions options;
    const QStringList arguments = commandLine();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (isSwitch(argument, "regserver"))
            action = Action::Register;
        else if (isSwitch(argument, "unregserver"))
            action = Action::Unregister;
        else if (isSwitch(argument, "embedding"))
            action = Action::Serve;
        else if (argument == QLatin1String("--folder") && i + 1 < arguments.size())
            options.folder = QDir::toNativeSeparators(QDir(arguments[++i]).absolutePath());
        else if (argument == QLatin1String("--count-calls") && i + 1 < arguments.size())
            options.callCountFile = QDir::toNativeSeparators(QDir(arguments[++i]).absolutePath());
        else if (argument == QLatin1String("--busy-after-cells") && i + 2 < arguments.size()) {
            bool cellsOk = false;
            bool msOk = false;
            options.busy.cells = arguments[++i].toInt(&cellsOk);
            options.busy.ms = arguments[++i].toInt(&msOk);
            if (!cellsOk || !msOk || options.busy.cells < 0 || options.busy.ms < 0) {
                std::fprintf(stderr, "sheetsim: --busy-after-cells takes a number of cells and of milliseconds\n");
                return 2;
            }
        }
        else {
            std::fprintf(stderr, "sheetsim: unknown argument \"%s\"\n", argument.toUtf8().constData());
            return 2;
        }
    }
    if (action != Action::Serve)
        return registration(action == Action::Register, options);
    const int code = sheetsim::serve(options.folder, idleLimitMs, options.busy);
    if (!options.callCountFile.isEmpty()) {
        QFile counts(options.callCountFile);
        if (!counts.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || counts.write(QByteArray::fromStdString(automation::servedCallsReport())) < 0)
            std::fprintf(stderr, "sheetsim: cannot write the call counts\n");
    }
    return code;
}
