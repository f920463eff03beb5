#pragma once

// BENCHMARK_MAIN for benchmarks whose code needs Qt's application object
// (events, the file system's Qt side, the database layer's Qt types).

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#define VEDORIS_QT_BENCHMARK_MAIN()                                                                                  \
    int main(int argc, char** argv)                                                                                  \
    {                                                                                                                \
        QCoreApplication application(argc, argv);                                                                    \
        benchmark::Initialize(&argc, argv);                                                                          \
        benchmark::RunSpecifiedBenchmarks();                                                                         \
        benchmark::Shutdown();                                                                                       \
        return 0;                                                                                                    \
    }
