#pragma once

#include "platform/file_identity.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace bk {

// One file of a batch that NumberedFiles::openAndRead opens and reads from its start.
struct FirstBytes {
    // The file name inside folder, as a full path joins them.
    std::string_view folder;
    std::string_view name;
    unsigned char* into = nullptr; // room for length bytes
    std::int64_t length = 0;
    // The number the file stays open under, its offset just after the bytes read; a negative
    // number closes it after the reading.
    int keepAs = -1;
    // What came back: the bytes read, or -1 when the file could not be opened. Fewer than length
    // means the end of the file came first (or an error): the bytes are read with one request,
    // and a regular file gives less than asked only at its end.
    std::int64_t got = -1;
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
    // The same for many numbers at once, with few system calls.
    virtual void closeAll(std::span<const int> numbers) = 0;

    // Opens the files of a batch and reads their first bytes, many at a time: what the search
    // asks of every file it compares. Nothing looks at a file's status here: the bytes tell.
    // Asking for one byte beyond the size a file should have shows a file that grew (that byte
    // comes) or shrank (fewer come); a folder, FIFO or device that took a file's place gives
    // nothing or endless bytes. Symbolic links are refused and nothing waits for a writer.
    // The current file is not changed.
    virtual void openAndRead(std::span<FirstBytes> batch) = 0;
    // The folders the files of batches were opened in are held from one batch to the next;
    // this lets them go.
    virtual void letFoldersGo() = 0;

    // Numbered files of their own over the same files, for a second thread to read with while
    // this one is in use; none where there can be no such thing.
    virtual std::unique_ptr<NumberedFiles> another() const { return nullptr; }

    // What was opened and read so far, for benchmarks: a file read twice shows here.
    struct Counters {
        std::uint64_t filesOpened = 0;
        std::uint64_t bytesRead = 0;
        Counters& operator+=(const Counters& more) {
            filesOpened += more.filesOpened;
            bytesRead += more.bytesRead;
            return *this;
        }
    };
    virtual const Counters& counters() const = 0;
};

} // namespace bk
