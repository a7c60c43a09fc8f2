#include "platform/posix_folder_scans.h"

#include "platform/entry_order.h"
#include "platform/file_paths.h"
#include "platform/numbered_table.h"
#include "platform/posix_handle.h"
#include "platform/posix_reading.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace bk {

namespace {

using numbered::IndexOf;
using numbered::MakeRoomFor;
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

// A final "/" would only be doubled when joined; "/" itself becomes "", which is the root too.
std::string_view WithoutTrailingSeparators(std::string_view path) {
    while (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    return path;
}

bool MeansEveryEntry(std::string_view pattern) {
    return pattern.empty() || pattern == "*" || pattern == "*.*";
}

} // namespace

PosixFolderScans::PosixFolderScans(std::string programFolder)
    : programFolder_(std::move(programFolder)) {}

PosixFolderScans::Listing PosixFolderScans::listFolder(const std::string& resolvedPath) {
    std::vector<Entry> entries;
    if (!readFolder(resolvedPath, entries)) {
        return {};
    }
    return {true, inDeliveryOrder(std::move(entries))};
}

// The listing is read straight from the system in large batches: the C library's own folder
// reading would ask for the folder's status first, a system call per folder we do not need.
bool PosixFolderScans::readFolder(const std::string& path, std::vector<Entry>& entries) {
    const posix::Handle folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) {
        return false;
    }
    const auto describe = [&folder](const char* name) -> std::optional<Entry> {
        struct stat info {};
        if (fstatat(folder.get(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return std::nullopt;
        }
        if (S_ISREG(info.st_mode)) {
            return Entry{name, EntryFile, IdentityOf(info)};
        }
        if (S_ISDIR(info.st_mode)) {
            return Entry{name, EntryFolder, FolderIdentityOf(info)};
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
    listing_.resize(ListingBatchBytes);
    for (;;) {
        const ssize_t got = getdents64(folder.get(), listing_.data(), listing_.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* item = reinterpret_cast<const dirent64*>(listing_.data() + at);
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

// The listing starts with "." and ".."; they stay in front. The rest is ordered by the folded
// name, raw bytes breaking ties, so the order never depends on how the system listed the folder.
std::vector<PosixFolderScans::Entry> PosixFolderScans::inDeliveryOrder(std::vector<Entry> entries) {
    std::vector<std::string> keys(entries.size());
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        keys[i] = EntryOrderKey(entries[i].name);
        order[i] = i;
    }
    const auto byFoldedName = [&](std::size_t a, std::size_t b) {
        if (keys[a] != keys[b]) {
            return keys[a] < keys[b];
        }
        return entries[a].name < entries[b].name;
    };
    std::sort(std::next(order.begin(), 2), order.end(), byFoldedName);
    std::vector<Entry> ordered;
    ordered.reserve(entries.size());
    for (const std::size_t index : order) {
        ordered.push_back(std::move(entries[index]));
    }
    return ordered;
}

std::string PosixFolderScans::resolvedFolder(const std::string& programFolder,
                                             std::string_view path) {
    return ResolvePath(programFolder, WithoutTrailingSeparators(path));
}

bool PosixFolderScans::begin(int number, std::string_view path, std::string_view pattern) {
    current_ = number;
    if (number < 0) {
        return false;
    }
    MakeRoomFor(scans_, number);
    Scan& scan = scans_[IndexOf(number)];
    scan = Scan{};
    if (!MeansEveryEntry(pattern)) {
        return false;
    }
    Listing listing = listFolder(resolvedFolder(programFolder_, path));
    scan.entries = std::move(listing.entries);
    return listing.complete;
}

void PosixFolderScans::makeCurrent(int number) {
    current_ = number;
}

PosixFolderScans::Scan* PosixFolderScans::currentScan() {
    if (current_ < 0 || IndexOf(current_) >= scans_.size()) {
        return nullptr;
    }
    return &scans_[IndexOf(current_)];
}

EntryKind PosixFolderScans::next() {
    Scan* scan = currentScan();
    if (scan == nullptr) {
        return EntryEnd;
    }
    if (scan->nextIndex >= scan->entries.size()) {
        // A finished listing is let go at once: a deep walk keeps one per level.
        *scan = Scan{};
        return EntryEnd;
    }
    // Every entry is handed out once, so it can be moved rather than copied.
    entry_ = std::move(scan->entries[scan->nextIndex++]);
    return entry_.kind;
}

} // namespace bk
