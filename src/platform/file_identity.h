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
    // Times in nanoseconds since 1970. Past the year 2262 they wrap around, which changes
    // nothing here: times are only ever compared for equality.
    std::int64_t modified = 0;
    std::int64_t changed = 0;

    static std::int64_t Nanoseconds(std::int64_t seconds, std::int64_t nanoseconds) {
        constexpr std::uint64_t PerSecond = 1'000'000'000;
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(seconds) * PerSecond +
                                         static_cast<std::uint64_t>(nanoseconds));
    }

    bool sameFileAs(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
    bool unchangedSince(const FileIdentity& recorded) const {
        return sameFileAs(recorded) && size == recorded.size && modified == recorded.modified &&
               changed == recorded.changed;
    }
};

} // namespace bk
