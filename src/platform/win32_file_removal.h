#pragma once

#include "platform/file_removal.h"

#include <functional>
#include <string>
#include <string_view>

namespace bk {

// Called at the last moment of a removal, after every check but the final look at the file in
// its folder: the place where a test lets another program change the disk. False refuses.
using LastMoment = std::function<bool(const std::string& path)>;

// Removal through handles only: the start of a file's way is opened by its path, every folder
// after it by its name inside the folder before, the file by its name inside the last, and the
// file goes through its own handle. Relative starts resolve against programFolder.
bool RemoveFoundFile(std::string_view programFolder, const FoundFile& file,
                     const LastMoment& lastMoment = {});
bool RemoveProvenCopy(std::string_view programFolder, const FoundFile& file,
                      const std::vector<const FoundFile*>& copies, ProofProgress& progress,
                      const LastMoment& lastMoment = {});

class Win32FileRemoval final : public FileRemoval {
  public:
    explicit Win32FileRemoval(std::string programFolder)
        : programFolder_(std::move(programFolder)) {}
    bool removeFound(const FoundFile& file) override {
        return RemoveFoundFile(programFolder_, file);
    }
    bool removeProvenCopy(const FoundFile& file, const std::vector<const FoundFile*>& copies,
                          ProofProgress& progress) override {
        return RemoveProvenCopy(programFolder_, file, copies, progress);
    }

  private:
    std::string programFolder_;
};

} // namespace bk
