#pragma once

#include <cstdint>

namespace bk {

// The most memory the process has held at once so far, in bytes.
std::int64_t PeakResidentBytes();

} // namespace bk
