#pragma once

#include "platform/folder_scans.h"
#include "platform/listed_entry.h"
#include "platform/listings_ahead.h"

#include <string>
#include <string_view>
#include <vector>

namespace bk {

// Folder scans over complete listings of folders, whatever system lists them: a begun scan holds
// the whole listing, ordered for delivery, and drops it at its end. A system gives the listing;
// in a walk, a second thread lists ahead of it.
class ListedFolderScans : public FolderScans {
  public:
    // Appends to entries, in any order, "." (with the folder's identity) and ".." (with none)
    // first, then the regular files and real folders of the folder at resolvedPath; false when it
    // cannot be read completely. Called on two threads at once.
    using ListFolder = bool (*)(const std::string& resolvedPath, std::vector<ListedEntry>& entries);

    ListedFolderScans(std::string programFolder, ListFolder listFolder);
    ListedFolderScans(const ListedFolderScans&) = delete;
    ListedFolderScans& operator=(const ListedFolderScans&) = delete;

    bool begin(int number, std::string_view path, std::string_view pattern = {}) final;
    void beginWalk() final { walking_ = true; }
    void endWalk() final;
    void makeCurrent(int number) final { current_ = number; }
    EntryKind next() final;
    const std::string& entryName() const final { return entry_.name; }
    std::int64_t entrySize() const final { return entry_.identity.size; }
    const FileIdentity& entryIdentity() const final { return entry_.identity; }

  private:
    struct Scan {
        std::vector<ListedEntry> entries;
        std::size_t nextIndex = 0;
    };
    Scan* currentScan();
    bool listInDeliveryOrder(const std::string& path, std::vector<ListedEntry>& entries);

    std::string programFolder_;
    ListFolder listFolder_;
    std::vector<Scan> scans_;
    int current_ = -1;
    ListedEntry entry_;
    bool walking_ = false;
    ListingsAhead ahead_; // last: its second thread ends before what it lists with goes
};

} // namespace bk
