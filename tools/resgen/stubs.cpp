#include "jobs.h"
namespace resgen {


void addFrameJobs(std::vector<Job> &) {}
void addTemplateCollageJobs(std::vector<Job> &) {}
void addPatternJobs(std::vector<Job> &) {}
void addFreeLayoutJobs(std::vector<Job> &) {}
void addBubbleJobs(std::vector<Job> &) {}
bool writeContactSheets(const Bundle &, const std::string &) { return true; }
}
