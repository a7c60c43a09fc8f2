#pragma once

#include "platform/file_services.h"
#include "platform/posix_folder_scans.h"
#include "platform/posix_numbered_files.h"
#include "platform/system_file_removal.h"

#include <string>

namespace bk {

// The POSIX parts of the file layer, owned together.
struct PosixFileParts {
    explicit PosixFileParts(const std::string& programFolder)
        : files(programFolder), scans(programFolder), removal(programFolder) {}
    PosixNumberedFiles files;
    PosixFolderScans scans;
    SystemFileRemoval removal;
};

// The file layer of a running program on POSIX: every service resolves relative names against
// programFolder.
class PosixFileServices : private PosixFileParts, public FileServices {
  public:
    explicit PosixFileServices(const std::string& programFolder)
        : PosixFileParts(programFolder), FileServices{PosixFileParts::files, PosixFileParts::scans,
                                                      PosixFileParts::removal} {}
    PosixFileServices(const PosixFileServices&) = delete;
    PosixFileServices& operator=(const PosixFileServices&) = delete;

    using FileServices::files;
    using FileServices::removal;
    using FileServices::scans;
};

} // namespace bk
