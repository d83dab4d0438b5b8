// Memory for large pictures.
//
// Every operation makes a few photo-sized buffers (the decode, the copy an
// effect works on, a mask stretched to the photo, the result), and by default
// the C library maps each one fresh from the system and gives it back when it
// is freed. Touching fresh memory costs a page fault every 4 KiB: 8000 faults
// for an 8-megapixel picture, 48000 for a 48-megapixel one, which on a
// virtual machine took longer (about 0.1 s and 0.7 s) than the effect itself;
// and memory handed back is taken from the machine again, so the next buffer
// pays the same.
//
// So the program asks the C library (its malloc tunables, read only as a
// program starts) to keep what it frees for the next buffer: one heap for
// every thread, blocks up to 32 MiB (an 8-megapixel picture) taken from it,
// and up to 256 MiB free at its top before it gives memory back (closing a
// photo gives back all of it, malloc_trim). Larger blocks (a 48-megapixel
// picture) are still mapped apart and given back when freed, so the memory
// a large photo's operation holds is what it was. And it asks for huge pages
// where the system leaves them to the program: 16 faults for 8 megapixels.
// First thing in main(), the program starts itself again once with them set.
//
// Nothing happens when malloc's tunables are set already (by the user too),
// under a sanitizer (it has its own allocator), or when the program cannot
// be started again (it then goes on as it is).
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace startup {

inline constexpr const char kAllocatorTunables[] =
    "glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1:glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=268435456";

// The GLIBC_TUNABLES value that adds ours to `current` (null or empty: none).
inline std::string withAllocatorTunables(const char *current)
{
    std::string value = current ? current : "";
    if (!value.empty())
        value += ':';
    return value + kAllocatorTunables;
}

// Starts the program again with the tunables set; returns when they are set
// already or it cannot.
inline void tuneAllocator(char **argv)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    (void)argv;
#else
    const char *given = std::getenv("GLIBC_TUNABLES");
    if (given && std::strstr(given, "glibc.malloc."))
        return;
    const bool had = given != nullptr;
    const std::string current = had ? given : "";
    const std::string value = withAllocatorTunables(current.c_str());
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
