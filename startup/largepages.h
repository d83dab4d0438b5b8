// Large pages for large pictures. The programs allocate and free pictures of
// tens to hundreds of megabytes all the time (a decoded photo, its working
// copies, a codec's planes), and the C library takes each such block fresh
// from the kernel, which faults it in 4 KiB at a time: on a 12-megapixel photo
// that was about a quarter of the whole process's CPU time. Where the system
// gives transparent huge pages on request ("madvise"), the C library asks for
// them when its "glibc.malloc.hugetlb" tunable is set; tunables are read only
// when a program starts, so the program starts itself again once with it set.
#pragma once

namespace largepages {

// Call first thing in main, before any thread starts: returns at once when
// the tunable is set already, the system gives huge pages to every program
// or to none, or the program cannot be started again; otherwise the program
// is replaced by itself with the same arguments and the tunable set.
void use(char *argv[]);

}  // namespace largepages
