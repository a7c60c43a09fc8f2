#pragma once

#include "platform/folder_scans.h"

#include <string>
#include <vector>

namespace bk {

// Folder scans over POSIX folder listings.
class PosixFolderScans final : public FolderScans {
  public:
    explicit PosixFolderScans(std::string programFolder);
    PosixFolderScans(const PosixFolderScans&) = delete;
    PosixFolderScans& operator=(const PosixFolderScans&) = delete;

    bool begin(int number, std::string_view path, std::string_view pattern = {}) override;
    void makeCurrent(int number) override;
    EntryKind next() override;
    const std::string& entryName() const override { return entry_.name; }
    std::int64_t entrySize() const override { return entry_.identity.size; }
    const FileIdentity& entryIdentity() const override { return entry_.identity; }

  private:
    struct Entry {
        std::string name;
        EntryKind kind = EntryEnd;
        FileIdentity identity; // size 0 for folders
    };
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
    Listing listFolder(const std::string& resolvedPath);
    static std::string resolvedFolder(const std::string& programFolder, std::string_view path);
    bool readFolder(const std::string& path, std::vector<Entry>& entries);
    static std::vector<Entry> inDeliveryOrder(std::vector<Entry> entries);
    Scan* currentScan();

    std::string programFolder_;
    std::vector<char> listing_; // room for the system's folder entries, kept between folders
    std::vector<Scan> scans_;
    int current_ = -1;
    Entry entry_;
};

} // namespace bk
