#include "platform/resource_usage.h"

#include <sys/resource.h>

namespace bk {

std::int64_t PeakResidentBytes() {
    struct rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) != 0) {
        return 0;
    }
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024; // Linux reports kilobytes
}

} // namespace bk
