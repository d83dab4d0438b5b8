// What every program benchmark's main() does around its own inputs: a
// document folder in a temporary directory, the offscreen application, Google
// Benchmark's command line, the iteration count, and the run itself.
//
//   int main(int argc, char **argv)
//   {
//       ProgramBench bench(argc, argv);
//       ... write the inputs under bench.root, make the facade ...
//       registerAll(bench.iterations);
//       return bench.run();
//   }
#pragma once

#include "benchphoto.h"
#include "startup/allocator.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

// ZN_BENCH_ITERATIONS when it is a positive number, else 1.
inline int benchIterations()
{
    bool ok = false;
    const int iterations = qEnvironmentVariableIntValue("ZN_BENCH_ITERATIONS", &ok);
    return ok && iterations > 0 ? iterations : 1;
}

class ProgramBench
{
    // First of all, as the program does (before the folder is made).
    const bool started;
    QTemporaryDir work;  // first: the folder exists before anything reads the root

public:
    // `argc` must outlive the object (the application keeps a reference).
    ProgramBench(int &argc, char **argv)
        : started((startup::tuneAllocator(argv), true)), root(prepareBenchRoot(work)), app(argc, argv)
    {
        benchmark::Initialize(&argc, argv);
    }

    // Runs the registered benchmarks; main's exit status.
    int run()
    {
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    }

    const QString root;  // the document folder, ending with "/"
    const int iterations = benchIterations();

private:
    QGuiApplication app;
};
