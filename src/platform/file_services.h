#pragma once

#include "platform/file_identity.h"
#include "platform/file_removal.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bk {

class FileFaults;

// The file layer: numbered files opened for reading, numbered folder scans and numbered memory
// blocks, plus deletion by name. Callers name files, scans and blocks by small numbers of their
// own choosing; the tables grow on demand. Failures come back as results, never as messages.
//
// A relative name is resolved against the program's own folder; the process's current directory
// is never changed. File names are byte strings and are handed to the system unchanged.

// Resolves a name the way every service here does: absolute names stay as they are, the empty
// name is the root, anything else is taken relative to programFolder (which ends in "/").
std::string ResolvePath(std::string_view programFolder, std::string_view name);

// The identity of the regular file at path, without following a final symbolic link; nothing
// when there is no regular file there.
std::optional<FileIdentity> RegularFileIdentity(const std::string& path);

// The identity of the folder at path (following links, as a walk of it would); nothing when
// there is no folder there.
std::optional<FileIdentity> FolderIdentity(const std::string& path);

// The first bytes of a file: length bytes of the regular file name inside folder (as a full path
// joins them), when it still has size bytes.
struct LeadingRead {
    std::string_view folder;
    std::string_view name;
    std::int64_t size = 0;
    std::int64_t length = 0;
};

// The files NumberedFiles::readLeadingBlocks reads and where their bytes go. describe and take
// may be called from several threads at once, each time for another file; progress only from the
// thread that asked for the reading.
class LeadingBlocks {
  public:
    virtual ~LeadingBlocks() = default;
    virtual std::size_t count() const = 0;
    virtual LeadingRead describe(std::size_t file) const = 0;
    // The file's first bytes; null when it is not a regular file of its size or cannot be read.
    // The bytes are valid during the call only.
    virtual void take(std::size_t file, const unsigned char* bytes) = 0;
    // The bytes read so far.
    virtual void progress(std::int64_t bytesRead) = 0;
};

class NumberedFiles {
  public:
    explicit NumberedFiles(std::string programFolder);
    ~NumberedFiles();
    NumberedFiles(const NumberedFiles&) = delete;
    NumberedFiles& operator=(const NumberedFiles&) = delete;

    // Opens an existing regular file for reading under number and makes it current. Symbolic
    // links, FIFOs, devices and folders are refused without blocking. False on failure (the
    // number then holds no file and no file is current).
    bool openForReading(int number, std::string_view name);
    // The same, but only when the file has exactly size bytes: a file that grew or shrank since
    // it was catalogued is refused without a second look at it.
    bool openForReadingAtSize(int number, std::string_view name, std::int64_t size);
    void makeCurrent(int number);
    // The offset of the current file; 0 without a current file.
    std::int64_t position() const;
    // Reads up to length bytes of the current file at its offset; the count actually read, 0 at
    // the end of the file, on an error or without a current file. Fewer than length bytes only
    // at the end of the file or when an error cut the reading short.
    std::int64_t read(unsigned char* buffer, std::int64_t length);
    // The size and identity of the current file as the open handle sees it now.
    std::optional<FileIdentity> currentIdentity() const;
    // Moves the offset of the current file; false without a current file or when refused.
    bool seek(std::int64_t offset);
    // Releases the file held under number, if any; the current file is not changed.
    void close(int number);

    // Reads the first bytes of many files. Given enough of them, it reads several at once, on as
    // many threads as the processor offers up to four (on the calling thread alone while faults
    // are attached). Each thread takes the files in turns of a few dozen, in the order given, and
    // keeps the folder of its latest file open, so that a run of files of one folder costs one
    // walk of the folder's path. Holds no file or folder open after.
    void readLeadingBlocks(LeadingBlocks& blocks);

    // What was opened and read so far, for benchmarks: a file read twice shows here.
    struct Counters {
        std::uint64_t filesOpened = 0;
        std::uint64_t bytesRead = 0;
    };
    const Counters& counters() const { return counters_; }

    // Tests plan faults here (see FileServices::attachFaults); null: none.
    void attachFaults(FileFaults* faults) { faults_ = faults; }

  private:
    bool openRegularFile(int number, std::string_view name, std::optional<std::int64_t> size);
    bool openResolved(int number, const std::string& path, std::optional<std::int64_t> size);
    bool openWithFaults(int number, const std::string& path, std::optional<std::int64_t> size);
    bool adopt(int number, int handle, std::optional<std::int64_t> size);
    std::int64_t readWithFaults(int handle, unsigned char* buffer, std::int64_t length);
    std::int64_t readHandle(int handle, unsigned char* buffer, std::int64_t length);
    int handleOf(int number) const;
    std::string programFolder_;
    FileFaults* faults_ = nullptr;
    std::vector<int> handles_; // -1 = no file
    // The number, not the handle, is remembered: once that number is closed, the current file
    // reads as absent instead of reaching a descriptor the system may already have reused.
    int current_ = -1;
    Counters counters_;
};

enum EntryKind { EntryEnd = 0, EntryFile = 1, EntryFolder = 2 };

// Folder scans. A folder is read completely and closed before its first entry is handed out,
// so a deep walk holds no open folders. Entries come in name order with letter case ignored and
// raw bytes breaking ties, "." and ".." first. Only regular files and real folders are
// delivered: symbolic links, FIFOs, sockets and devices do not exist for a scan.
class FolderScans {
  public:
    explicit FolderScans(std::string programFolder);
    ~FolderScans();
    FolderScans(const FolderScans&) = delete;
    FolderScans& operator=(const FolderScans&) = delete;

    // Starts scan number over path (the empty path is the root; a trailing "/" is allowed),
    // replacing whatever the number held, and makes it the current scan. Only "every entry" is
    // offered as pattern: the empty pattern, "*" or "*.*"; any other pattern is refused rather
    // than silently ignored. False when the folder cannot be read completely or the pattern is
    // refused; the scan's first next() then gives EntryEnd.
    bool begin(int number, std::string_view path, std::string_view pattern = {});
    void makeCurrent(int number);
    // The next entry of the current scan: EntryFile, EntryFolder or, at the end (and from then
    // on), EntryEnd.
    EntryKind next();
    // The name, size and identity of the entry most recently delivered by next() on any scan;
    // a folder's size is 0.
    const std::string& entryName() const { return entry_.name; }
    std::int64_t entrySize() const { return entry_.identity.size; }
    const FileIdentity& entryIdentity() const { return entry_.identity; }

    // Lets the folders of a walk from path (the path begin will be given first) be read ahead
    // on other threads, in the order a depth-first walk in delivery order begins them, until
    // stopReadingAhead. begin then takes a folder's listing from there, or reads it itself when
    // no thread has come to it yet; either way the entries are the same. Only folders reached as
    // "path/name" by such a walk are read ahead. Nothing is read ahead while faults are attached.
    // Tests hold entriesAheadAtMost, the entries read but not yet taken, low.
    void readAhead(std::string_view path, std::size_t entriesAheadAtMost = 1 << 16);
    void stopReadingAhead();

    // Tests plan faults here (see FileServices::attachFaults); null: none.
    void attachFaults(FileFaults* faults) { faults_ = faults; }

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
    class ReadAhead;
    static Listing listFolder(const std::string& resolvedPath);
    static std::string resolvedFolder(const std::string& programFolder, std::string_view path);
    Listing listingReadAhead(std::string_view path);
    static bool readFolder(const std::string& path, std::vector<Entry>& entries);
    static std::vector<Entry> inDeliveryOrder(std::vector<Entry> entries);
    Scan* currentScan();

    std::string programFolder_;
    FileFaults* faults_ = nullptr;
    std::vector<Scan> scans_;
    int current_ = -1;
    Entry entry_;
    std::unique_ptr<ReadAhead> readAhead_;
};

// The services a running program has, all resolving relative names against one folder.
struct FileServices {
    explicit FileServices(std::string folder)
        : programFolder(folder), files(folder), scans(folder) {}
    std::string programFolder;
    NumberedFiles files;
    FolderScans scans;
    // Removes a file that was found, or one of several copies while another stays (see
    // file_removal.h).
    bool removeFound(const FoundFile& file) const {
        return RemoveFoundFile(programFolder, file, faults_);
    }
    bool removeProvenCopy(const FoundFile& file, const std::vector<const FoundFile*>& copies,
                          ProofProgress& progress) const {
        return RemoveProvenCopy(programFolder, file, copies, progress, faults_);
    }

    // Makes every service consult faults, planned by a test, before it reaches the disk; null
    // detaches them. The plan must outlive its attachment.
    void attachFaults(FileFaults* faults) {
        faults_ = faults;
        files.attachFaults(faults);
        scans.attachFaults(faults);
    }
    FileFaults* faults() const { return faults_; }

  private:
    FileFaults* faults_ = nullptr;
};

// The folder of the running executable, ending in "/"; empty when the system does not tell.
std::string ExecutableFolder();

} // namespace bk
