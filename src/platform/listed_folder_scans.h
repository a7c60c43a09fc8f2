#pragma once

#include "platform/folder_scans.h"
#include "platform/listed_entry.h"
#include "platform/listings_ahead.h"

#include <string>
#include <string_view>
#include <vector>

namespace bk {

// Folder scans over complete listings of folders, whatever system lists them: a begun scan holds
// the whole listing, ordered for delivery, and drops it at its end. A system gives the listing.
class ListedFolderScans : public FolderScans {
  public:
    explicit ListedFolderScans(std::string programFolder);
    ListedFolderScans(const ListedFolderScans&) = delete;
    ListedFolderScans& operator=(const ListedFolderScans&) = delete;

    bool begin(int number, std::string_view path, std::string_view pattern = {}) final;
    void endWalk() final { ahead_.endWalk(); }
    void makeCurrent(int number) final { current_ = number; }
    EntryKind next() final;
    const std::string& entryName() const final { return entry_.name; }
    std::int64_t entrySize() const final { return entry_.identity.size; }
    const FileIdentity& entryIdentity() const final { return entry_.identity; }

  protected:
    // A system's scans end the walk in their destructor, as the second thread lists through
    // listFolder. Appends to entries, in any order, "." (with the folder's identity) and ".." (with
    // none) first, then the regular files and real folders of the folder at resolvedPath; false
    // when it cannot be read completely.
    virtual bool listFolder(const std::string& resolvedPath, std::vector<ListedEntry>& entries) = 0;

  private:
    struct Scan {
        std::vector<ListedEntry> entries;
        std::size_t nextIndex = 0;
    };
    Scan* currentScan();
    bool listInDeliveryOrder(const std::string& path, std::vector<ListedEntry>& entries);

    std::string programFolder_;
    std::vector<Scan> scans_;
    int current_ = -1;
    ListedEntry entry_;
    ListingsAhead ahead_;
};

} // namespace bk
