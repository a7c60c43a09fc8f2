#pragma once

#include "duplicates/search_observer.h"
#include "platform/file_services.h"

#include <cstdint>
#include <string>

namespace bk {

// The straightforward comparison the content engine must always agree with: two files of the
// recorded size byte for byte, in chunks of up to 1024 bytes, up to percent of their size (any
// percent outside 1..100 means the whole file), telling the observer how far it has come. Equal
// only when every byte up to the limit is equal and both files still have the recorded size; a
// file that cannot be opened, reads short or fails counts as different.
bool CompareFileContents(NumberedFiles& files, ReadingObserver& observer,
                         const std::string& firstPath, const std::string& secondPath,
                         std::int64_t size, std::int32_t percent);

inline constexpr std::int64_t CompareChunkSize = 1024;

// The share of size that a comparison with percent covers, rounded toward zero.
std::int64_t ComparisonLimit(std::int64_t size, std::int32_t percent);

} // namespace bk
