#pragma once

#include "platform/folder_scans.h"
#include "platform/win32_folder_listing.h"

#include <string>
#include <vector>

namespace bk {

// Folder scans over the listings the system gives of a folder held open.
class Win32FolderScans final : public FolderScans {
  public:
    explicit Win32FolderScans(std::string programFolder);
    Win32FolderScans(const Win32FolderScans&) = delete;
    Win32FolderScans& operator=(const Win32FolderScans&) = delete;

    bool begin(int number, std::string_view path, std::string_view pattern = {}) override;
    void makeCurrent(int number) override { current_ = number; }
    EntryKind next() override;
    const std::string& entryName() const override { return entry_.name; }
    std::int64_t entrySize() const override { return entry_.identity.size; }
    const FileIdentity& entryIdentity() const override { return entry_.identity; }

  private:
    using Entry = win32::ListedEntry;
    // A begun scan holds the whole folder listing, already ordered; it is dropped at the end.
    struct Scan {
        std::vector<Entry> entries;
        std::size_t nextIndex = 0;
    };
    // A folder's entries in delivery order; none when it could not be read completely.
    struct Listing {
        bool complete = false;
        std::vector<Entry> entries;
    };
    static Listing listFolder(const std::string& resolvedPath);
    static std::vector<Entry> inDeliveryOrder(std::vector<Entry> entries);
    Scan* currentScan();

    std::string programFolder_;
    std::vector<Scan> scans_;
    int current_ = -1;
    Entry entry_;
};

} // namespace bk
