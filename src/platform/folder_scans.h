#pragma once

#include "platform/file_identity.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bk {

enum EntryKind { EntryEnd = 0, EntryFile = 1, EntryFolder = 2 };

// Folder scans. A folder is read completely and closed before its first entry is handed out,
// so a deep walk holds no open folders. Entries come in name order with letter case ignored and
// raw bytes breaking ties, "." and ".." first. Only regular files and real folders are
// delivered: symbolic links, FIFOs, sockets and devices do not exist for a scan.
class FolderScans {
  public:
    virtual ~FolderScans() = default;

    // Starts scan number over path (the empty path is the root; a trailing separator is allowed),
    // replacing whatever the number held, and makes it the current scan. Only "every entry" is
    // offered as pattern: the empty pattern, "*" or "*.*"; any other pattern is refused rather
    // than silently ignored. False when the folder cannot be read completely or the pattern is
    // refused; the scan's first next() then gives EntryEnd.
    virtual bool begin(int number, std::string_view path, std::string_view pattern = {}) = 0;
    virtual void makeCurrent(int number) = 0;
    // The next entry of the current scan: EntryFile, EntryFolder or, at the end (and from then
    // on), EntryEnd.
    virtual EntryKind next() = 0;
    // The name, size and identity of the entry most recently delivered by next() on any scan;
    // a folder's size is 0.
    virtual const std::string& entryName() const = 0;
    virtual std::int64_t entrySize() const = 0;
    virtual const FileIdentity& entryIdentity() const = 0;

    // A walk begins a folder, then, depth first in the order their entries come, every folder
    // below it. Between beginWalk and endWalk the scans may list the folders the walk will begin
    // next ahead of it; once the walk is over or left, nothing listed ahead is handed out. Outside
    // a walk, begin lists the folder there and then.
    virtual void beginWalk() = 0;
    virtual void endWalk() = 0;
};

} // namespace bk
