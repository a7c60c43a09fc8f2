#pragma once

#include "platform/file_services.h"
#include "platform/system_file_removal.h"
#include "platform/win32_folder_scans.h"
#include "platform/win32_numbered_files.h"

#include <string>

namespace bk {

// The Win32 parts of the file layer, owned together.
struct Win32FileParts {
    explicit Win32FileParts(const std::string& programFolder)
        : files(programFolder), scans(programFolder), removal(programFolder) {}
    Win32NumberedFiles files;
    Win32FolderScans scans;
    SystemFileRemoval removal;
};

// The file layer of a running program on Windows: every service resolves relative names against
// programFolder.
class Win32FileServices : private Win32FileParts, public FileServices {
  public:
    explicit Win32FileServices(const std::string& programFolder)
        : Win32FileParts(programFolder), FileServices{Win32FileParts::files, Win32FileParts::scans,
                                                      Win32FileParts::removal} {}
    Win32FileServices(const Win32FileServices&) = delete;
    Win32FileServices& operator=(const Win32FileServices&) = delete;

    using FileServices::files;
    using FileServices::removal;
    using FileServices::scans;
};

} // namespace bk
