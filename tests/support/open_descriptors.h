#pragma once

#include <filesystem>
#include <iterator>

namespace bk::test {

// How many descriptors the test process holds open now.
inline int OpenDescriptors() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                          std::filesystem::directory_iterator()));
}

} // namespace bk::test
