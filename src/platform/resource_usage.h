#pragma once

#include <cstdint>

namespace bk {

// The most memory the process has held at once so far, in bytes.
std::int64_t PeakResidentBytes();

// Asks the allocator to hand a large block back to the system as soon as it is freed. A search
// of a million files lets go of working lists of megabytes each while its groups grow; kept
// for reuse, as the C library otherwise does once it saw such blocks come and go, they would
// add a fifth to its peak. Called once, before anything is allocated.
void GiveLargeBlocksBackWhenFreed();

} // namespace bk
