#pragma once

#include "platform/file_services.h"
#include "platform/posix_file_removal.h"
#include "platform/posix_folder_scans.h"
#include "platform/posix_numbered_files.h"

#include <algorithm>
#include <string>
#include <thread>

namespace bk {

// How many threads may read files at once: as many as the processor offers, up to four.
inline unsigned ReadingThreads() {
    constexpr unsigned MostReaders = 4;
    return std::clamp(std::thread::hardware_concurrency(), 1U, MostReaders);
}

// The POSIX parts of the file layer, owned together.
struct PosixFileParts {
    PosixFileParts(const std::string& programFolder, unsigned readers)
        : files(programFolder, readers), scans(programFolder, readers), removal(programFolder) {}
    PosixNumberedFiles files;
    PosixFolderScans scans;
    PosixFileRemoval removal;
};

// The file layer of a running program on POSIX: every service resolves relative names against
// programFolder, and reads on up to readers threads.
class PosixFileServices : private PosixFileParts, public FileServices {
  public:
    explicit PosixFileServices(const std::string& programFolder,
                               unsigned readers = ReadingThreads())
        : PosixFileParts(programFolder, readers), FileServices{PosixFileParts::files,
                                                               PosixFileParts::scans,
                                                               PosixFileParts::removal} {}
    PosixFileServices(const PosixFileServices&) = delete;
    PosixFileServices& operator=(const PosixFileServices&) = delete;

    using FileServices::files;
    using FileServices::removal;
    using FileServices::scans;
};

} // namespace bk
