#include "platform/resource_usage.h"

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

namespace bk {

// The peak of the working set: the most memory the process held in physical memory at once.
std::int64_t PeakResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return 0;
    }
    return static_cast<std::int64_t>(counters.PeakWorkingSetSize);
}

// The Windows heap hands blocks beyond half a megabyte back to the system by itself.
void GiveLargeBlocksBackWhenFreed() {}

} // namespace bk
