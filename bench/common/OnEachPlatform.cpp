#include "OnEachPlatform.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {
namespace {

constexpr const char* PlatformVariable = "VEDORIS_BENCH_PLATFORM";
constexpr const char* FiguresVariable = "VEDORIS_BENCH_FIGURES";

std::map<std::string, double> readFigures(const std::string& path)
{
    std::map<std::string, double> figures;
    std::ifstream in(path);
    std::string name;
    double value = 0;
    while (in >> name >> value)
        figures[name] = value;
    return figures;
}

PlatformRun runChild(const std::string& platform, int argc, char** argv)
{
    PlatformRun run;
    run.platform = platform;
    if (platform == "xcb" && !std::getenv("DISPLAY")) {
        run.why = "no display (run under xvfb-run)";
        return run;
    }
    char figuresPath[] = "/tmp/vedoris-bench-figures-XXXXXX";
    const int fd = ::mkstemp(figuresPath);
    if (fd < 0) {
        run.why = "no file for the figures";
        return run;
    }
    ::close(fd);

    const std::string platformSetting = std::string(PlatformVariable) + "=" + platform;
    const std::string qpaSetting = "QT_QPA_PLATFORM=" + platform;
    const std::string figuresSetting = std::string(FiguresVariable) + "=" + figuresPath;
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind(PlatformVariable, 0) != 0
            && entry.rfind(FiguresVariable, 0) != 0)
            env.push_back(*e);
    }
    env.push_back(const_cast<char*>(platformSetting.c_str()));
    env.push_back(const_cast<char*>(qpaSetting.c_str()));
    env.push_back(const_cast<char*>(figuresSetting.c_str()));
    env.push_back(nullptr);
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);

    std::fflush(stdout);
    pid_t child = 0;
    if (::posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, args.data(), env.data()) != 0) {
        run.why = "the child did not start";
    } else {
        int status = 0;
        ::waitpid(child, &status, 0);
        run.ran = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!run.ran)
            run.why = "the child failed";
        run.figures = readFigures(figuresPath);
    }
    ::unlink(figuresPath);
    return run;
}

} // namespace

double PlatformRun::figure(const std::string& name) const
{
    const auto it = figures.find(name);
    return it == figures.end() ? 0 : it->second;
}

std::string childPlatform()
{
    const char* platform = std::getenv(PlatformVariable);
    return platform ? platform : "";
}

void reportFigure(const std::string& name, double value)
{
    const char* path = std::getenv(FiguresVariable);
    if (!path)
        return;
    std::ofstream(path, std::ios::app) << name << ' ' << value << '\n';
}

std::vector<PlatformRun> runOnEachPlatform(int argc, char** argv)
{
    std::vector<PlatformRun> runs;
    for (const char* platform : {"offscreen", "xcb"}) {
        std::printf("\n=== on the %s platform ===\n", platform);
        runs.push_back(runChild(platform, argc, argv));
        if (!runs.back().ran)
            std::printf("    (not run: %s)\n", runs.back().why.c_str());
    }
    return runs;
}

} // namespace bench
