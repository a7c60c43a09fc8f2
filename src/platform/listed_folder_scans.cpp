#include "platform/listed_folder_scans.h"

#include "platform/entry_order.h"
#include "platform/file_paths.h"
#include "platform/numbered_table.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace bk {

namespace {

using numbered::IndexOf;
using numbered::MakeRoomFor;

// A final separator would only be doubled when joined; a root given as its separator becomes "",
// which is the root too (on Windows "X:\" becomes "X:", the root of the drive).
std::string_view WithoutTrailingSeparators(std::string_view path) {
    while (!path.empty() && PathSeparators.find(path.back()) != std::string_view::npos) {
        path.remove_suffix(1);
    }
    return path;
}

bool MeansEveryEntry(std::string_view pattern) {
    return pattern.empty() || pattern == "*" || pattern == "*.*";
}

// "." and ".." stay in front. The rest is ordered by the folded name, raw bytes breaking ties, so
// the order never depends on how the system listed the folder.
std::vector<ListedEntry> InDeliveryOrder(std::vector<ListedEntry> entries) {
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
    std::vector<ListedEntry> ordered;
    ordered.reserve(entries.size());
    for (const std::size_t index : order) {
        ordered.push_back(std::move(entries[index]));
    }
    return ordered;
}

} // namespace

ListedFolderScans::ListedFolderScans(std::string programFolder, ListFolder listFolder)
    : programFolder_(std::move(programFolder)), listFolder_(listFolder),
      ahead_([this](const std::string& path, std::vector<ListedEntry>& entries) {
          return listInDeliveryOrder(path, entries);
      }) {}

bool ListedFolderScans::begin(int number, std::string_view path, std::string_view pattern) {
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
    std::vector<ListedEntry> entries;
    const std::string folder(WithoutTrailingSeparators(path));
    if (!(walking_ ? ahead_.list(folder, entries) : listInDeliveryOrder(folder, entries))) {
        return false;
    }
    scan.entries = std::move(entries);
    return true;
}

void ListedFolderScans::endWalk() {
    walking_ = false;
    ahead_.endWalk();
}

bool ListedFolderScans::listInDeliveryOrder(const std::string& path,
                                            std::vector<ListedEntry>& entries) {
    if (!listFolder_(ResolvePath(programFolder_, path), entries)) {
        return false;
    }
    entries = InDeliveryOrder(std::move(entries));
    return true;
}

ListedFolderScans::Scan* ListedFolderScans::currentScan() {
    if (current_ < 0 || IndexOf(current_) >= scans_.size()) {
        return nullptr;
    }
    return &scans_[IndexOf(current_)];
}

EntryKind ListedFolderScans::next() {
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
