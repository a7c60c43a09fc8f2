#include "platform/win32_path_syntax.h"

#include "platform/file_paths.h"

#include <algorithm>

namespace bk::win32 {

namespace {

bool IsDriveLetter(char character) {
    return (character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z');
}

bool StartsWithDrive(std::string_view path) {
    return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':';
}

// Where the part of path that ends at the next separator after from ends.
std::size_t EndOfPart(std::string_view path, std::size_t from) {
    const std::size_t end = path.find_first_of(PathSeparators, from);
    return end == std::string_view::npos ? path.size() : end;
}

} // namespace

bool IsSeparator(char character) {
    return PathSeparators.find(character) != std::string_view::npos;
}

bool IsAbsolute(std::string_view path) {
    return StartsWithDrive(path) ||
           (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]));
}

bool HasVerbatimPrefix(std::string_view path) {
    return path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '?' &&
           IsSeparator(path[3]);
}

std::string RootOf(std::string_view path) {
    if (StartsWithDrive(path)) {
        return std::string(path.substr(0, 2)) + '\\';
    }
    if (!IsAbsolute(path)) {
        return "\\";
    }
    const std::size_t serverEnd = EndOfPart(path, 2);
    const std::size_t shareEnd = EndOfPart(path, std::min(serverEnd + 1, path.size()));
    std::string root = "\\\\";
    root.append(path.substr(2, serverEnd - 2)).append("\\");
    if (shareEnd > serverEnd + 1) {
        root.append(path.substr(serverEnd + 1, shareEnd - serverEnd - 1)).append("\\");
    }
    return root;
}

} // namespace bk::win32
