#include "platform/file_paths.h"
#include "platform/posix_reading.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace bk {

namespace {

using posix::IdentityOf;

bool IsAbsolute(std::string_view name) {
    return !name.empty() && name.front() == '/';
}

std::optional<struct stat> StatusWithoutFollowing(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return info;
}

} // namespace

std::string ResolvePath(std::string_view programFolder, std::string_view name) {
    if (IsAbsolute(name)) {
        return std::string(name);
    }
    if (name.empty()) {
        return "/";
    }
    std::string path(programFolder);
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

std::optional<FileIdentity> RegularFileIdentity(const std::string& path) {
    const auto info = StatusWithoutFollowing(path);
    if (!info || !S_ISREG(info->st_mode)) {
        return std::nullopt;
    }
    return IdentityOf(*info);
}

std::optional<FileIdentity> FolderIdentity(const std::string& path) {
    struct stat info {};
    if (stat(path.empty() ? "/" : path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    return IdentityOf(info);
}

std::string ExecutableFolder() {
    // readlink cuts a long target silently, so the buffer grows until the target fits.
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            break;
        }
        target.resize(target.size() * 2);
    }
    const auto lastSeparator = target.rfind('/');
    if (lastSeparator == std::string::npos) {
        return {};
    }
    return target.substr(0, lastSeparator + 1);
}

std::string CurrentFolder() {
    std::string folder(256, '\0');
    while (getcwd(folder.data(), folder.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        folder.resize(folder.size() * 2);
    }
    folder.resize(folder.find('\0'));
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

} // namespace bk
