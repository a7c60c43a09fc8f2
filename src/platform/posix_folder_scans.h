#pragma once

#include "platform/listed_folder_scans.h"

#include <string>
#include <utility>
#include <vector>

namespace bk {

// Folder scans over POSIX folder listings.
class PosixFolderScans final : public ListedFolderScans {
  public:
    explicit PosixFolderScans(std::string programFolder)
        : ListedFolderScans(std::move(programFolder), &listFolder) {}

  private:
    static bool listFolder(const std::string& resolvedPath, std::vector<ListedEntry>& entries);
};

} // namespace bk
