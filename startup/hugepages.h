// Large pictures on huge pages.
//
// Every operation makes a few photo-sized buffers (the decode, the copy an
// effect works on, a mask stretched to the photo, the result), and the C
// library maps each one fresh from the system and gives it back when it is
// freed. Touching fresh memory costs one page fault every 4 KiB: 8000 faults
// for an 8-megapixel picture, 48000 for a 48-megapixel one, which on a virtual
// machine took longer (about 0.1 s and 0.7 s) than the effect itself. On
// 2 MiB pages the same buffer takes 16 or 96 faults.
//
// The C library does this when its tunables ask for it (malloc's "hugetlb":
// large blocks advised as huge pages where the system leaves that to the
// program; a fixed "mmap_threshold", so every block of 4 MiB or more is such
// a block and goes back to the system when freed), and it reads them only as
// the program starts. So the program, first thing in main(), starts itself
// again with them set, once; the memory held is the same.
//
// Nothing happens when the system never gives huge pages or always does, when
// the tunables are set already (by the user too), under a sanitizer (it has
// its own allocator), or when the program cannot be started again (it then
// goes on as it is).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace startup {

// The transparent huge page mode in force: "always", "madvise" or "never"
// ("" when unknown).
inline std::string hugePageMode()
{
    std::FILE *f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (!f)
        return {};
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!read)
        return {};
    const char *open = std::strchr(line, '[');
    const char *close = open ? std::strchr(open, ']') : nullptr;
    return close ? std::string(open + 1, close) : std::string();
}

inline constexpr const char kHugePageTunables[] = "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=4194304";

// The GLIBC_TUNABLES value that adds ours to `current` (null or empty: none).
inline std::string withHugePageTunables(const char *current)
{
    std::string value = current ? current : "";
    if (!value.empty())
        value += ':';
    return value + kHugePageTunables;
}

// Starts the program again with the tunables set, when it helps; returns
// when it does not (or cannot).
inline void useHugePages(char **argv)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    (void)argv;
#else
    const char *given = std::getenv("GLIBC_TUNABLES");
    if (given && std::strstr(given, "glibc.malloc.hugetlb"))
        return;
    if (hugePageMode() != "madvise")
        return;
    const bool had = given != nullptr;
    const std::string current = had ? given : "";
    const std::string value = withHugePageTunables(current.c_str());
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0)
        return;
    // By its own path, so that the process keeps the program's name.
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        self[length] = '\0';
        execv(self, argv);
    }
    // Not started again: go on as we are, and leave the environment as it was
    // for the programs we start.
    if (had)
        setenv("GLIBC_TUNABLES", current.c_str(), 1);
    else
        unsetenv("GLIBC_TUNABLES");
#endif
}

}  // namespace startup
