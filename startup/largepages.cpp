#include "largepages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace largepages {

namespace {

constexpr const char *kTunable = "glibc.malloc.hugetlb";

// Whether the kernel gives huge pages only to memory that asks for them.
bool onRequestOnly()
{
    FILE *f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (!f)
        return false;
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    return read && std::strstr(line, "[madvise]") != nullptr;
}

}  // namespace

void use(char *argv[])
{
    const char *given = std::getenv("GLIBC_TUNABLES");
    if ((given && std::strstr(given, kTunable)) || !onRequestOnly())
        return;
    std::string tunables = given && *given ? std::string(given) + ":" : std::string();
    tunables += std::string(kTunable) + "=1";
    if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    // Not started again: run as we are, and leave the children's environment as it was.
    if (given)
        setenv("GLIBC_TUNABLES", given, 1);
    else
        unsetenv("GLIBC_TUNABLES");
}

}  // namespace largepages
