#pragma once

#include "platform/folder_scans.h"

#include <string>
#include <string_view>
#include <vector>

namespace bk {

// An entry of a folder listing, as the scans hand it out.
struct ListedEntry {
    std::string name;
    EntryKind kind = EntryEnd;
    FileIdentity identity; // size 0 for folders
};

// Folder scans over complete listings of folders, whatever system lists them: a begun scan holds
// the whole listing, ordered for delivery, and drops it at its end. A system gives the listing.
class ListedFolderScans : public FolderScans {
  public:
    explicit ListedFolderScans(std::string programFolder);
    ListedFolderScans(const ListedFolderScans&) = delete;
    ListedFolderScans& operator=(const ListedFolderScans&) = delete;

    bool begin(int number, std::string_view path, std::string_view pattern = {}) final;
    void makeCurrent(int number) final { current_ = number; }
    EntryKind next() final;
    const std::string& entryName() const final { return entry_.name; }
    std::int64_t entrySize() const final { return entry_.identity.size; }
    const FileIdentity& entryIdentity() const final { return entry_.identity; }

  protected:
    // Appends to entries, in any order, "." (with the folder's identity) and ".." (with none)
    // first, then the regular files and real folders of the folder at resolvedPath; false when
    // it cannot be read completely.
    virtual bool listFolder(const std::string& resolvedPath, std::vector<ListedEntry>& entries) = 0;

  private:
    struct Scan {
        std::vector<ListedEntry> entries;
        std::size_t nextIndex = 0;
    };
    Scan* currentScan();

    std::string programFolder_;
    std::vector<Scan> scans_;
    int current_ = -1;
    ListedEntry entry_;
};

} // namespace bk
