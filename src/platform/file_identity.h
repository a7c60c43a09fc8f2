#pragma once

#include <cstdint>

namespace bk {

// Who a file is and how it looked: the device and inode name the file whatever path reaches it;
// the size and modification time tell whether it changed since it was looked at.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool sameFileAs(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
    bool unchangedSince(const FileIdentity& recorded) const {
        return sameFileAs(recorded) && size == recorded.size &&
               modifiedSeconds == recorded.modifiedSeconds &&
               modifiedNanoseconds == recorded.modifiedNanoseconds;
    }
};

} // namespace bk
