#include "platform/resource_usage.h"

#include <sys/resource.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace bk {

std::int64_t PeakResidentBytes() {
    struct rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) != 0) {
        return 0;
    }
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024; // Linux reports kilobytes
}

void GiveLargeBlocksBackWhenFreed() {
#if defined(__GLIBC__)
    // Setting the threshold fixes it: by default it rises to the size of each large block
    // freed, up to 32 MiB, after which such blocks stay in the heap.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

} // namespace bk
