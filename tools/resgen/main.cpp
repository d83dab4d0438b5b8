// zn_resgen: makes every data file of the resource bundle (masks, textures,
// blend tables, frames, collage layouts, borders, patterns, backgrounds,
// bubbles), the bundle's index and the resource list, and optionally the
// contact sheets that show them. No input files, fixed seeds: two runs write
// the same bytes.
//
//   zn_resgen --out DIR [--sheets DIR] [--jobs N] [--only PREFIX]
#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "jobs.h"

using namespace resgen;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::string outDir, sheetDir, only;
    unsigned jobsWanted = std::max(1u, std::min(2u, std::thread::hardware_concurrency()));
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--out") && hasValue)
            outDir = argv[++i];
        else if (!std::strcmp(argv[i], "--sheets") && hasValue)
            sheetDir = argv[++i];
        else if (!std::strcmp(argv[i], "--jobs") && hasValue)
            jobsWanted = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        else if (!std::strcmp(argv[i], "--only") && hasValue)
            only = argv[++i];
        else {
            std::fprintf(stderr, "usage: zn_resgen --out DIR [--sheets DIR] [--jobs N] [--only PREFIX]\n");
            return 2;
        }
    }
    if (outDir.empty()) {
        std::fprintf(stderr, "zn_resgen: --out DIR is required\n");
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    std::vector<Job> jobs;
    addEffectTextureJobs(jobs);
    addColorfulFrameJobs(jobs);
    addBlendTableJobs(jobs);
    addFrameJobs(jobs);
    addTemplateCollageJobs(jobs);
    addPatternJobs(jobs);
    addFreeLayoutJobs(jobs);
    addBubbleJobs(jobs);
    if (!only.empty())
        std::erase_if(jobs, [&](const Job &j) { return j.name.rfind(only, 0) != 0; });

    Bundle bundle;
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < jobs.size();)
            jobs[i].run(bundle);
    };
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < jobsWanted; ++t)
        threads.emplace_back(worker);
    worker();
    for (std::thread &t : threads)
        t.join();

    const QByteArray index = bundle.indexJson();
    bundle.add("index.json", Bytes(index.begin(), index.end()));
    if (!bundle.writeTo(outDir, "zeltanorvik.qrc"))
        return 1;
    const double made = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("zn_resgen: %zu files, %.1f MB, %.1f s\n", bundle.paths().size(), bundle.totalBytes() / 1e6, made);

    if (!sheetDir.empty()) {
        if (!writeContactSheets(bundle, sheetDir))
            return 1;
        const double all = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("zn_resgen: contact sheets in %s (%.1f s in all)\n", sheetDir.c_str(), all);
    }
    return 0;
}
