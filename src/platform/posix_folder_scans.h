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
        : ListedFolderScans(std::move(programFolder)) {}

  private:
    bool listFolder(const std::string& resolvedPath, std::vector<ListedEntry>& entries) override;

    std::vector<char> listing_; // room for the system's folder entries, kept between folders
};

} // namespace bk
