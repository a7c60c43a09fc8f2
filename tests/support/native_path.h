#pragma once

#include <filesystem>
#include <string>

#ifdef _WIN32
#include "platform/win32_text.h"
#endif

namespace bk::test {

// The program's paths are UTF-8 byte strings. On Windows the standard library takes a narrow
// path in the ANSI code page, so the tests hand it their paths as the same wide text the
// program gives the system; elsewhere a path is its bytes.
inline std::filesystem::path NativePath(const std::string& path) {
#ifdef _WIN32
    return std::filesystem::path(WideText(path));
#else
    return std::filesystem::path(path);
#endif
}

// A path of the standard library as the program's byte string.
inline std::string PathText(const std::filesystem::path& path) {
#ifdef _WIN32
    return ByteText(path.native());
#else
    return path.string();
#endif
}

} // namespace bk::test
