// The generator's jobs: each makes one or a few files of the bundle and
// their index entries. Jobs are independent, so they run on several threads.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "bundle.h"

namespace resgen {

struct Job {
    std::string name;
    std::function<void(Bundle &)> run;
};

// One job per design of a list, named folder + the design's file; make(bundle,
// design, order) writes its file and its index entry at its place in the list.
template <typename Designs, typename Make>
void addDesignJobs(std::vector<Job> &jobs, const std::string &folder, const Designs &designs, Make make)
{
    int order = 0;
    for (const auto &d : designs) {
        const int o = order++;
        jobs.push_back({folder + d.file, [&d, o, make](Bundle &b) { make(b, d, o); }});
    }
}

// Collages are saved up to four times their canvas; the borders and the
// drawn pattern tiles come drawn for each of those scales as well, in a
// folder named for the scale beside their own: "puzzleframe/002.ptbj" at
// 4x is "puzzleframe@4x/002.ptbj".
constexpr int kPrintScales = 4;
inline std::string printVariantPath(const std::string &folder, int scale, const std::string &file)
{
    return folder.substr(0, folder.size() - 1) + "@" + std::to_string(scale) + "x/" + file;
}

void addEffectTextureJobs(std::vector<Job> &jobs);   // style/, colorful/ textures of the looks
void addColorfulFrameJobs(std::vector<Job> &jobs);   // colorful/ frame masks
void addBlendTableJobs(std::vector<Job> &jobs);      // eb/
void addFrameJobs(std::vector<Job> &jobs);           // ini/ frame files
void addTemplateCollageJobs(std::vector<Job> &jobs); // puzzletemplate/, puzzlemodel/, puzzleframe/
void addPatternJobs(std::vector<Job> &jobs);         // puzzlegrain/, miximage/
void addFreeLayoutJobs(std::vector<Job> &jobs);      // puzzlef/
void addBubbleJobs(std::vector<Job> &jobs);          // bubble/, fontbg/

// Writes the contact sheets (PNG) of a finished bundle into dir.
bool writeContactSheets(const Bundle &bundle, const std::string &dir);

}  // namespace resgen
