#pragma once

#include "platform/listed_folder_scans.h"

#include <string>
#include <utility>
#include <vector>

namespace bk {

// Folder scans over the listings the system gives of a folder held open.
class Win32FolderScans final : public ListedFolderScans {
  public:
    explicit Win32FolderScans(std::string programFolder)
        : ListedFolderScans(std::move(programFolder), &listFolder) {}

  private:
    static bool listFolder(const std::string& resolvedPath, std::vector<ListedEntry>& entries);
};

} // namespace bk
