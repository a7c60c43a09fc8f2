#pragma once

#include "platform/file_paths.h"
#include "platform/file_removal.h"
#include "platform/folder_scans.h"
#include "platform/numbered_files.h"

namespace bk {

// The file layer as the program reaches it: numbered files opened for reading, numbered folder
// scans, and the removal of files that were found.
struct FileServices {
    NumberedFiles& files;
    FolderScans& scans;
    FileRemoval& removal;
};

} // namespace bk
