#include "platform/win32_folder_scans.h"

#include "platform/entry_order.h"
#include "platform/file_paths.h"
#include "platform/numbered_table.h"
#include "platform/win32_file_status.h"
#include "platform/win32_opening.h"
#include "platform/win32_path_syntax.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace bk {

namespace {

using numbered::IndexOf;
using numbered::MakeRoomFor;

// A final separator would only be doubled when joined; "X:\" becomes "X:", which is the root of
// the drive too, and "\" becomes "", the root of the program's drive.
std::string_view WithoutTrailingSeparators(std::string_view path) {
    while (!path.empty() && win32::IsSeparator(path.back())) {
        path.remove_suffix(1);
    }
    return path;
}

bool MeansEveryEntry(std::string_view pattern) {
    return pattern.empty() || pattern == "*" || pattern == "*.*";
}

} // namespace

Win32FolderScans::Win32FolderScans(std::string programFolder)
    : programFolder_(std::move(programFolder)) {}

// The folder is opened as itself: a scan goes down into no junction or link, not even one it is
// asked to begin at, as the removal of what it finds would not go that way either.
Win32FolderScans::Listing Win32FolderScans::listFolder(const std::string& resolvedPath) {
    const win32::Handle folder = win32::OpenPath(
        resolvedPath, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE, win32::ShareAll);
    const auto self = folder.valid() ? win32::StatusOf(folder.get()) : std::nullopt;
    if (!self || !win32::IsRealFolder(*self)) {
        return {}; // a folder that cannot say who it is is not walked
    }
    // "." and ".." come first whatever order the system lists them in, and also where it lists
    // neither, as in a drive's root. The folder itself is the one just opened; who its parent is,
    // no walk asks.
    std::vector<Entry> entries;
    entries.push_back({".", EntryFolder, win32::AsFolderIdentity(self->identity)});
    entries.push_back({"..", EntryFolder, {}});
    if (!win32::ListFolder(folder.get(), self->identity.device, entries)) {
        return {};
    }
    return {true, inDeliveryOrder(std::move(entries))};
}

// The listing starts with "." and ".."; they stay in front. The rest is ordered by the folded
// name, raw bytes breaking ties, so the order never depends on how the system listed the folder.
std::vector<Win32FolderScans::Entry> Win32FolderScans::inDeliveryOrder(std::vector<Entry> entries) {
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

bool Win32FolderScans::begin(int number, std::string_view path, std::string_view pattern) {
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
    Listing listing = listFolder(ResolvePath(programFolder_, WithoutTrailingSeparators(path)));
    scan.entries = std::move(listing.entries);
    return listing.complete;
}

Win32FolderScans::Scan* Win32FolderScans::currentScan() {
    if (current_ < 0 || IndexOf(current_) >= scans_.size()) {
        return nullptr;
    }
    return &scans_[IndexOf(current_)];
}

EntryKind Win32FolderScans::next() {
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
