#include "platform/os/DesktopOpener.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace os {

namespace {

// xdg-open's answer when no method or program for the file could be found.
constexpr int noProgramForTheType = 3;
// Long enough for a desktop to take the file over; short enough that the
// command it ends does not seem to hang.
constexpr std::chrono::milliseconds settleTime{1500};

OpenVerdict judge(const QString& program, int status)
{
    if (WIFEXITED(status)) {
        const int code = WEXITSTATUS(status);
        if (code == 0)
            return {true, {}};
        if (code == noProgramForTheType)
            return {false, QStringLiteral("Нет программы, которая открывает файлы этого типа.")};
        return {false, QStringLiteral("Программа %1 завершилась с ошибкой (код %2).").arg(program).arg(code)};
    }
    return {false, QStringLiteral("Программа %1 завершилась аварийно.").arg(program)};
}

} // namespace

OpenVerdict launchAndJudge(const QString& program, const QStringList& arguments, std::chrono::milliseconds settle)
{
    std::vector<QByteArray> encoded{QFile::encodeName(program)};
    for (const QString& a : arguments)
        encoded.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& a : encoded)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // Its output is none of the user's business; its verdict is its status.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return {false, QStringLiteral("Не удается запустить программу %1: %2.")
                           .arg(program, QString::fromLocal8Bit(std::strerror(rc)))};

    const auto deadline = std::chrono::steady_clock::now() + settle;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            return judge(program, status);
        if (ended < 0 && errno != EINTR)
            return {true, {}}; // collected elsewhere: no verdict to be had
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Still showing the file, or not waited for. Someone must collect it when
    // it ends, or it would stay behind as a zombie for the rest of the session.
    try {
        std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    } catch (...) {
        // No thread to be had: the viewer stays a zombie until the program ends, which is harmless.
    }
    return {true, {}};
}

OpenVerdict platformOpenWithDesktop(const QString& target, OpenWait wait)
{
    // A file that is there goes as it is, so that a relative path is never
    // taken for a host name; anything else is an address.
    const QString argument = QFileInfo::exists(target) ? target : shellAddress(target);
    if (argument.isEmpty())
        return {false, QStringLiteral("Нечего открывать.")};
    return launchAndJudge(QStringLiteral("xdg-open"), {argument},
                          wait == OpenWait::ForVerdict ? settleTime : std::chrono::milliseconds(0));
}

} // namespace os
