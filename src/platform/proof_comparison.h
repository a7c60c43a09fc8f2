#pragma once

#include "platform/file_removal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace bk {

// Whether two files, each open at its start, hold the same size bytes: compared in full, block
// by block, and the blocks told to progress. readOne and readOther read up to a length of bytes
// of their file into a buffer and give how many came; fewer than asked before size is reached is
// no proof.
template <typename ReadOne, typename ReadOther>
bool SameBytesInFull(ReadOne readOne, ReadOther readOther, std::int64_t size,
                     ProofProgress& progress) {
    // Blocks of this size at most, so that the window can show each step.
    constexpr std::int64_t BlockLength = 1 << 20;
    const auto length = static_cast<std::size_t>(std::clamp<std::int64_t>(size, 1, BlockLength));
    std::vector<unsigned char> mine(length);
    std::vector<unsigned char> theirs(length);
    progress.compared(0, size);
    for (std::int64_t done = 0; done < size;) {
        const std::int64_t wanted = std::min<std::int64_t>(size - done, BlockLength);
        if (readOne(mine.data(), wanted) != wanted || readOther(theirs.data(), wanted) != wanted ||
            std::memcmp(mine.data(), theirs.data(), static_cast<std::size_t>(wanted)) != 0) {
            return false;
        }
        done += wanted;
        progress.compared(done, size);
    }
    return true;
}

} // namespace bk
