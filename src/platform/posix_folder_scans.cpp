#include "platform/posix_folder_scans.h"

#include "platform/posix_handle.h"
#include "platform/posix_reading.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace bk {

namespace {

using posix::IdentityOf;

// Every entry kind we do not deliver is told apart by readdir already on the usual file
// systems; asking for its status would only cost a system call per link or device.
bool MayBeFileOrFolder(unsigned char type) {
    return type == DT_REG || type == DT_DIR || type == DT_UNKNOWN;
}

// What the system says a folder measures is no content of ours.
FileIdentity FolderIdentityOf(const struct stat& info) {
    FileIdentity identity = IdentityOf(info);
    identity.size = 0;
    return identity;
}

// Bytes of folder entries asked for at once: most folders come in one batch.
constexpr std::size_t ListingBatchBytes = 32 << 10;

bool IsSelfOrParent(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

} // namespace

// The listing is read straight from the system in large batches: the C library's own folder
// reading would ask for the folder's status first, a system call per folder we do not need.
bool PosixFolderScans::listFolder(const std::string& resolvedPath,
                                  std::vector<ListedEntry>& entries) {
    const posix::Handle folder(::open(resolvedPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) {
        return false;
    }
    const auto describe = [&folder](const char* name) -> std::optional<ListedEntry> {
        struct stat info {};
        if (fstatat(folder.get(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return std::nullopt;
        }
        if (S_ISREG(info.st_mode)) {
            return ListedEntry{name, EntryFile, IdentityOf(info)};
        }
        if (S_ISDIR(info.st_mode)) {
            return ListedEntry{name, EntryFolder, FolderIdentityOf(info)};
        }
        return std::nullopt;
    };

    // "." and ".." are placed first whatever order the system lists them in. The folder itself
    // is the one just opened; who its parent is, no walk asks.
    struct stat self {};
    if (fstat(folder.get(), &self) != 0) {
        return false; // a folder that cannot say who it is is not walked
    }
    entries.push_back({".", EntryFolder, FolderIdentityOf(self)});
    entries.push_back({"..", EntryFolder, {}});
    // Two threads may list at once, so each listing has room of its own; it is not cleared, as
    // the system fills what it reports.
    const auto listing = std::make_unique_for_overwrite<char[]>(ListingBatchBytes);
    for (;;) {
        const ssize_t got = getdents64(folder.get(), listing.get(), ListingBatchBytes);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* item = reinterpret_cast<const dirent64*>(listing.get() + at);
            if (item->d_reclen == 0) {
                return false; // no entry has no length; a listing that says so is not read on
            }
            at += item->d_reclen;
            if (IsSelfOrParent(item->d_name) || !MayBeFileOrFolder(item->d_type)) {
                continue;
            }
            if (auto entry = describe(item->d_name)) {
                entries.push_back(std::move(*entry));
            }
        }
    }
}

} // namespace bk
