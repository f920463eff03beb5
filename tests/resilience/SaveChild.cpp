// The program's harvest and save in a process of its own, for the tests of
// saves cut short: against a CAD model in this process, on a database file
// the test names. It reports on stdout, a line per event, so that the test
// can kill it when it chooses.
//
//   vedoris_save_child save DATABASE PIPES
//       Harvests PIPES pipes and saves them into DATABASE. Prints "saving"
//       just before the save and "saved MILLISECONDS" after it.
//
//   vedoris_save_child full-disk FOLDER OLD_ROWS PIPES
//       Makes a small disk at FOLDER: a tmpfs of its own, mounted in a user
//       and mount namespace of this process, where the system lets an
//       unprivileged process do that; otherwise a file-size limit on this
//       process, which refuses a write that would make a file grow, as a
//       full disk does. Prints "disk tmpfs" or "disk file-size-limit". Puts
//       a database with OLD_ROWS old rows there, fills the disk and runs the
//       harvest command; then frees the space and runs it again. After each
//       run it prints every message shown ("message: ...", "error: ..."),
//       "table ROWS" (what the program's table holds) and
//       "file INTEGRITY ROWS OLD_ROWS" (what the file holds).
#include "SavedRows.h"

#include "platform/messages/EntryPoint.h"
#include "cad/CadEnvironment.h"
#include "cadsim/model/Simulator.h"
#include "data/TSpecData.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/db/Dataset.h"
#include "platform/messages/Messages.h"
#include "platform/os/FileCopy.h"
#include "spec/TSpecification.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#ifndef VEDORIS_SCHEMA_SQL
#error "VEDORIS_SCHEMA_SQL must name src/data/schema.sql"
#endif

namespace {

void say(const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

class PrintedMessages final : public messages::MessageService {
public:
    void showMessage(const QString& text) override { say(QStringLiteral("message: ") + text); }
    void showError(const QString& text) override { say(QStringLiteral("error: ") + text); }
};

// The program's parts a harvest needs: the data module on the file, the
// pipe program beside a stand-in executable folder, and a CAD with the pipes.
struct Program {
    PrintedMessages printed;
    QTemporaryDir executableFolder;
    QTemporaryDir supportFolder;
    cadsim::Simulator cad{cadsim::Drawing(u"pipes.dxf")};
    automation::Registration running;
    CadEnvironment previous;
    TSpecData data;

    Program(const QString& database, int pipes)
    {
        messages::setService(&printed);
        QFile(executableFolder.filePath(QStringLiteral("tr.fas"))).open(QIODevice::WriteOnly);
        const QString folder = executableFolder.path();
        // No idle poll: the CAD model is idle at once, and the test's kill
        // points are measured from the save.
        previous = setCadEnvironment({[folder] { return folder; }, QLatin1Char('/'), &os::copyFile, [](int) {}});
        cad.setSupportPath(supportFolder.path().toStdU16String());
        cad.editActiveDrawing([pipes](cadsim::Drawing& d) {
            for (int i = 0; i < pipes; ++i)
                d.addPipe(i % 3 ? u"Трубы_ХВС" : u"Трубы_ГВС", 100 + i, 10 + i % 20, 8);
        });
        running = automation::registerActiveObject(u"AutoCAD.Application", cad.application());
        SpecData = &data;
        data.ADOConnection.setConnectionString(
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1").arg(database));
        data.ADOConnection.open();
        data.TTruba->open();
    }
    ~Program()
    {
        SpecData = nullptr;
        running.revoke();
        setCadEnvironment(previous);
        messages::setService(nullptr);
    }

    // What "Получить размеры труб" does, under the program's top-level handling.
    void harvest()
    {
        messages::runEntryPoint([] {
            TSpecification specification(0);
            specification.ReadFromDrawing();
            specification.SaveToTable(*SpecData);
        });
    }
};

QString schemaSql()
{
    QFile file(QStringLiteral(VEDORIS_SCHEMA_SQL));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

int save(const QString& database, int pipes)
{
    Program program(database, pipes);
    TSpecification specification(0);
    specification.ReadFromDrawing();
    say(QStringLiteral("saving"));
    const auto start = std::chrono::steady_clock::now();
    messages::runEntryPoint([&] { specification.SaveToTable(*SpecData); });
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    say(QStringLiteral("saved %1").arg(ms.count()));
    return 0;
}

// --- the small disk ------------------------------------------------------------

bool writeFile(const char* path, const std::string& text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

// A user and mount namespace for this process with a tmpfs of `bytes` at
// `folder` in it. Must run before any thread starts: a process with threads
// cannot enter a user namespace.
bool enterSmallDisk(const QByteArray& folder, size_t bytes)
{
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return false;
    // Files made on the new disk need our own ids mapped into the namespace.
    if (!writeFile("/proc/self/setgroups", "deny") || !writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1")
        || !writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
        return false;
    // Nothing mounted here may reach the rest of the system.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    return ::mount("tmpfs", folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

// The same, tried in a throwaway child first: a step that failed half way
// would leave this process in a namespace where it cannot even make files.
bool mountSmallDisk(const QByteArray& folder, size_t bytes)
{
    const pid_t trial = ::fork();
    if (trial == 0)
        ::_exit(enterSmallDisk(folder, bytes) ? 0 : 1);
    int status = 0;
    if (trial < 0 || ::waitpid(trial, &status, 0) != trial || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    return enterSmallDisk(folder, bytes);
}

// Fills the disk with a file of its own, then gives `slack` bytes back.
bool fillDisk(const QString& filler, off_t slack)
{
    const int fd = ::open(QFile::encodeName(filler).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    static const char block[4096] = {};
    off_t written = 0;
    while (true) {
        const ssize_t n = ::write(fd, block, sizeof block);
        if (n <= 0)
            break;
        written += n;
    }
    const bool ok = errno == ENOSPC && ::ftruncate(fd, written > slack ? written - slack : 0) == 0;
    ::close(fd);
    return ok;
}

void report(Program& program, const QString& database)
{
    say(QStringLiteral("table %1").arg(program.data.TTruba->isActive() ? program.data.TTruba->recordCount() : -1));
    const SavedRows saved = readSavedRows(database);
    say(QStringLiteral("file %1 %2 %3").arg(saved.integrity).arg(saved.rows).arg(saved.oldRows));
}

int fullDisk(const QString& folder, int oldRows, int pipes, bool tmpfs)
{
    const QString database = folder + QStringLiteral("/spec_base.mdb");
    if (!makeDatabaseWithOldRows(database, schemaSql(), oldRows)) {
        say(QStringLiteral("cannot make the database"));
        return 1;
    }
    struct stat info{};
    ::stat(QFile::encodeName(database).constData(), &info);
    // Room for the rollback journal of the old rows, not for the new ones.
    const off_t room = info.st_size + 32 * 1024;
    const QString filler = folder + QStringLiteral("/filler");
    rlimit previous{};
    if (tmpfs) {
        if (!fillDisk(filler, room)) {
            say(QStringLiteral("cannot fill the disk"));
            return 1;
        }
    } else {
        ::getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit limit{static_cast<rlim_t>(room), previous.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN); // a refused write, not the end of the process
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }

    Program program(database, pipes);
    program.harvest();
    report(program, database);

    // Space again: the program must go on as if nothing had happened.
    if (tmpfs)
        QFile::remove(filler);
    else
        ::setrlimit(RLIMIT_FSIZE, &previous);
    say(QStringLiteral("space freed"));
    program.harvest();
    report(program, database);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "save" && argc == 4) {
            QCoreApplication application(argc, argv);
            return save(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
        }
        if (mode == "full-disk" && argc == 5) {
            // Before anything can start a thread.
            const bool tmpfs = mountSmallDisk(argv[2], 1024 * 1024);
            QCoreApplication application(argc, argv);
            say(tmpfs ? QStringLiteral("disk tmpfs") : QStringLiteral("disk file-size-limit"));
            return fullDisk(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), tmpfs);
        }
    } catch (const std::exception& e) {
        say(QStringLiteral("failed: ") + QString::fromUtf8(e.what()));
        return 1;
    }
    std::fprintf(stderr, "usage: %s save DATABASE PIPES | full-disk FOLDER OLD_ROWS PIPES\n", argv[0]);
    return 2;
}
