#pragma once

#include <cstdint>

namespace bk {

// Who a file is and how it looked: the device and inode name the file whatever path reaches it;
// the size and the modification and status-change times tell whether it changed since it was
// looked at. The status-change time matters most: any program may set a modification time back,
// but no program can set the status-change time, so a file rewritten and dated back, or a file
// made anew on a freed inode, still shows.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool sameFileAs(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
    bool unchangedSince(const FileIdentity& recorded) const {
        return sameFileAs(recorded) && size == recorded.size &&
               modifiedSeconds == recorded.modifiedSeconds &&
               modifiedNanoseconds == recorded.modifiedNanoseconds &&
               changedSeconds == recorded.changedSeconds &&
               changedNanoseconds == recorded.changedNanoseconds;
    }
};

} // namespace bk
