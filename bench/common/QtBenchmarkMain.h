#pragma once

// The main() of benchmarks whose code needs Qt's application object (events,
// the file system's Qt side, the database layer's Qt types, windows).

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>

#define VEDORIS_QT_BENCHMARK_MAIN()                                                                                  \
    int main(int argc, char** argv)                                                                                  \
    {                                                                                                                \
        QCoreApplication application(argc, argv);                                                                    \
        benchmark::Initialize(&argc, argv);                                                                          \
        benchmark::RunSpecifiedBenchmarks();                                                                         \
        benchmark::Shutdown();                                                                                       \
        return 0;                                                                                                    \
    }

// The main() of a benchmark that needs something set up first (a simulator
// running, files written): `Setup` is made and started once, `setup` points
// at it while the benchmarks run, and it is stopped before `report` prints
// the summary. A setup that cannot start runs nothing and fails the run.
template <typename Application, typename Setup, typename Report>
int runBenchmarksWith(int argc, char** argv, Setup*& setup, Report&& report)
{
    Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    Setup made;
    if (!made.start()) {
        std::fprintf(stderr, "the benchmark could not be set up\n");
        return 1;
    }
    setup = &made;
    benchmark::RunSpecifiedBenchmarks();
    made.stop();
    setup = nullptr;
    report();
    benchmark::Shutdown();
    return 0;
}
