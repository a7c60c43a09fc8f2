#pragma once

#include "catalogue/cursor_list.h"
#include "catalogue/record_text.h"
#include "catalogue/scanned_folder.h"
#include "platform/file_identity.h"
#include "platform/file_paths.h"

#include <cstdint>
#include <optional>
#include <string>

namespace bk {

// A file found by a folder scan. A catalogue may hold millions, so a record keeps each thing
// once and in as few bytes as it takes.
struct FileRecord {
    std::int64_t size = 0;
    ScannedFolder folder; // as walked; never ends in a separator ("" for the root's files)
    RecordText name;

    // Who the file was when it was scanned: the searches never group two names of one file, and
    // a deletion checks that the file on disk is still the one that was compared. Its size is
    // the record's. Device numbers take 32 bits on both systems (Linux encodes its major and
    // minor numbers in 32, Windows names volumes by a 32-bit serial); should one ever not fit,
    // the record keeps no identity: a search takes it for a file of its own, and every deletion
    // of it refuses, as the file on disk never matches.
    FileIdentity identity() const { return {device, inode, size, modified, changed}; }
    void setIdentity(const FileIdentity& identity) {
        const bool fits = identity.device <= UINT32_MAX;
        size = identity.size;
        device = fits ? static_cast<std::uint32_t>(identity.device) : 0;
        inode = fits ? identity.inode : 0;
        modified = identity.modified;
        changed = identity.changed;
    }
    std::uint32_t device = 0;
    // 1 only while a search runs, for a file already placed in a group as a later member.
    std::uint8_t grouped = 0;
    std::uint64_t inode = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;
};

static_assert(sizeof(FileRecord) <= 64, "a catalogue holds millions of these");

struct MemberRecord;

// A group of files found by the latest search; its members form a chain of their own.
struct GroupRecord {
    std::int64_t memberCount = 0;
    MemberRecord* firstMember = nullptr;
    std::int64_t size = 0;
};

// A member of a group. Its folder and name are those of its file: a record never changes them, and
// a member never outlives its file, so a member keeps no copies (at a million files in groups,
// copies would take a third of the catalogue).
struct MemberRecord {
    FileRecord* file = nullptr;
    const ScannedFolder& folder() const { return file->folder; }
    const RecordText& name() const { return file->name; }
};

struct PatternRecord {
    std::string pattern;
};

struct FolderRecord {
    std::string path; // as chosen, with its trailing separator
    std::optional<FileIdentity> identity;
};

using FileList = CursorList<FileRecord>;
using GroupList = CursorList<GroupRecord>;
using MemberList = CursorList<MemberRecord>;
using PatternList = CursorList<PatternRecord>;
using FolderList = CursorList<FolderRecord>;

// Everything the program knows between two commands. It lives for the whole run.
struct Catalogue {
    FileList files;
    GroupList groups;
    MemberList members;
    PatternList patterns;
    FolderList folders;
};

// The full path of a file: its folder, the separator and its name.
inline std::string FullPath(const std::string& folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder).append(1, PathSeparator).append(name);
    return path;
}

} // namespace bk
