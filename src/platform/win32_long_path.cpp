#include "platform/win32_long_path.h"

#include "platform/file_paths.h"
#include "platform/win32_path_syntax.h"
#include "platform/win32_text.h"

#include <vector>

namespace bk::win32 {

namespace {

// The part of a path that names its volume, in verbatim form and without a final "\", and the
// folders and name below it.
struct RootedPath {
    std::string volume;
    std::string_view below;
};

bool StartsWithDrive(std::string_view path) {
    return IsAbsolute(path) && !IsSeparator(path[0]);
}

bool StartsWithUncMark(std::string_view path) {
    return path.size() >= 4 && (path[0] == 'U' || path[0] == 'u') &&
           (path[1] == 'N' || path[1] == 'n') && (path[2] == 'C' || path[2] == 'c') &&
           IsSeparator(path[3]);
}

std::string_view NextPart(std::string_view& path) {
    while (!path.empty() && IsSeparator(path.front())) {
        path.remove_prefix(1);
    }
    std::size_t end = 0;
    while (end < path.size() && !IsSeparator(path[end])) {
        ++end;
    }
    const std::string_view part = path.substr(0, end);
    path.remove_prefix(end);
    return part;
}

// "\\server\share" without its leading separators; "." and "?" as the server are the system's
// own namespaces, not a share.
bool SplitShare(std::string_view path, RootedPath& rooted) {
    const std::string_view server = NextPart(path);
    const std::string_view share = NextPart(path);
    if (server.empty() || share.empty() || server == "." || server == "?") {
        return false;
    }
    rooted.volume = "\\\\?\\UNC\\";
    rooted.volume.append(server).append("\\").append(share);
    rooted.below = path;
    return true;
}

bool SplitRoot(std::string_view path, RootedPath& rooted) {
    if (HasVerbatimPrefix(path)) {
        path.remove_prefix(4);
        if (StartsWithUncMark(path)) {
            return SplitShare(path.substr(4), rooted);
        }
        if (!StartsWithDrive(path)) {
            return false; // a device or a volume by its name, never a file of ours
        }
    }
    if (StartsWithDrive(path)) {
        rooted.volume = "\\\\?\\";
        rooted.volume.append(path.substr(0, 2));
        rooted.below = path.substr(2);
        return true;
    }
    return IsAbsolute(path) && SplitShare(path.substr(2), rooted);
}

// The folders and name below the volume, with "." dropped and ".." taking away the part before
// it, never going above the volume's root.
std::vector<std::string_view> NormalParts(std::string_view below) {
    std::vector<std::string_view> parts;
    while (!below.empty()) {
        const std::string_view part = NextPart(below);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        parts.push_back(part);
    }
    return parts;
}

} // namespace

std::wstring LongPathForm(std::string_view path) {
    std::string absolute;
    if (!IsAbsolute(path)) {
        absolute = ResolvePath(CurrentFolder(), path);
        path = absolute;
    }
    RootedPath rooted;
    if (!SplitRoot(path, rooted)) {
        return {};
    }
    std::string verbatim = std::move(rooted.volume);
    const std::vector<std::string_view> parts = NormalParts(rooted.below);
    if (parts.empty()) {
        verbatim += '\\';
    }
    for (const std::string_view part : parts) {
        verbatim.append("\\").append(part);
    }
    return WideText(verbatim);
}

} // namespace bk::win32
