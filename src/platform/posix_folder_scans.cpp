#include "platform/posix_folder_scans.h"

#include "platform/entry_order.h"
#include "platform/file_paths.h"
#include "platform/numbered_table.h"
#include "platform/posix_reading.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <iterator>
#include <optional>
#include <sys/stat.h>
#include <utility>

namespace bk {

namespace {

using numbered::IndexOf;
using numbered::MakeRoomFor;
using posix::IdentityOf;

// Every entry kind we do not deliver is told apart by readdir already on the usual file
// systems; asking for its status would only cost a system call per link or device.
bool MayBeFileOrFolder(const dirent& item) {
    return item.d_type == DT_REG || item.d_type == DT_DIR || item.d_type == DT_UNKNOWN;
}

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

PosixFolderScans::Listing PosixFolderScans::listFolder(const std::string& resolvedPath) {
    std::vector<Entry> entries;
    if (!readFolder(resolvedPath, entries)) {
        return {};
    }
    return {true, inDeliveryOrder(std::move(entries))};
}

bool PosixFolderScans::readFolder(const std::string& path, std::vector<Entry>& entries) {
    // Closed however the reading ends, an exception included.
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(path.c_str()), closedir);
    if (listing == nullptr) {
        return false;
    }
    DIR* const folder = listing.get();
    const int folderHandle = dirfd(folder);
    const auto describe = [folderHandle](const char* name) -> std::optional<Entry> {
        struct stat info {};
        if (fstatat(folderHandle, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return std::nullopt;
        }
        if (S_ISREG(info.st_mode)) {
            return Entry{name, EntryFile, IdentityOf(info)};
        }
        if (S_ISDIR(info.st_mode)) {
            FileIdentity identity = IdentityOf(info);
            identity.size = 0; // what the system says a folder measures is no content of ours
            return Entry{name, EntryFolder, identity};
        }
        return std::nullopt;
    };

    // The system always lists "." and ".."; they are placed first whatever order it uses.
    for (const char* name : {".", ".."}) {
        Entry entry{name, EntryFolder, {}};
        if (auto described = describe(name)) {
            entry.identity = described->identity;
        }
        entries.push_back(std::move(entry));
    }
    bool complete = true;
    for (;;) {
        errno = 0;
        const dirent* item = readdir(folder);
        if (item == nullptr) {
            complete = errno == 0;
            break;
        }
        if (IsSelfOrParent(item->d_name) || !MayBeFileOrFolder(*item)) {
            continue;
        }
        if (auto entry = describe(item->d_name)) {
            entries.push_back(std::move(*entry));
        }
    }
    return complete;
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
    Listing listing;
    if (readAhead_ != nullptr) {
        listing = listingReadAhead(path);
    } else {
        listing = listFolder(resolvedFolder(programFolder_, path));
    }
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
