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
