#pragma once

#include "platform/file_identity.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace bk {

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

// Files opened for reading by numbers of the caller's choosing; the table grows on demand.
// Failures come back as results, never as messages. Relative names resolve against the
// program's folder.
class NumberedFiles {
  public:
    virtual ~NumberedFiles() = default;

    // Opens an existing regular file for reading under number and makes it current. Symbolic
    // links, FIFOs, devices and folders are refused without blocking. False on failure (the
    // number then holds no file and no file is current).
    virtual bool openForReading(int number, std::string_view name) = 0;
    // The same, but only when the file has exactly size bytes: a file that grew or shrank since
    // it was catalogued is refused without a second look at it.
    virtual bool openForReadingAtSize(int number, std::string_view name, std::int64_t size) = 0;
    virtual void makeCurrent(int number) = 0;
    // The offset of the current file; 0 without a current file.
    virtual std::int64_t position() const = 0;
    // Reads up to length bytes of the current file at its offset; the count actually read, 0 at
    // the end of the file, on an error or without a current file. Fewer than length bytes only
    // at the end of the file or when an error cut the reading short.
    virtual std::int64_t read(unsigned char* buffer, std::int64_t length) = 0;
    // The size and identity of the current file as the open handle sees it now.
    virtual std::optional<FileIdentity> currentIdentity() const = 0;
    // Moves the offset of the current file; false without a current file or when refused.
    virtual bool seek(std::int64_t offset) = 0;
    // Releases the file held under number, if any; the current file is not changed.
    virtual void close(int number) = 0;

    // Reads the first bytes of many files, possibly several at once. Holds no file or folder
    // open after.
    virtual void readLeadingBlocks(LeadingBlocks& blocks) = 0;

    // What was opened and read so far, for benchmarks: a file read twice shows here.
    struct Counters {
        std::uint64_t filesOpened = 0;
        std::uint64_t bytesRead = 0;
    };
    virtual const Counters& counters() const = 0;
};

} // namespace bk
