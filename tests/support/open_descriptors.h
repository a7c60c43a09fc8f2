#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <filesystem>
#include <iterator>
#endif

namespace bk::test {

// How many descriptors the test process holds open now; on Windows, how many handles. (Wine
// counts none: there the count stays 0 and every check of it holds.)
inline int OpenDescriptors() {
#ifdef _WIN32
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return static_cast<int>(handles);
#else
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                          std::filesystem::directory_iterator()));
#endif
}

} // namespace bk::test
