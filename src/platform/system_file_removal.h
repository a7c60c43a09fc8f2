#pragma once

#include "platform/file_removal.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace bk {

// Called at the last moment of a removal, after every check but the final look at the file in
// its folder: the place where a test lets another program change the disk. False refuses.
using LastMoment = std::function<bool(const std::string& path)>;

// The removal as the system the program is built for makes it (posix_file_removal.cpp,
// win32_file_removal.cpp): the start of a file's way is opened by its path, every folder after
// it inside the folder before, never through a link, and the file is named inside the last
// folder, held open. Relative starts resolve against programFolder.
bool RemoveFoundFile(std::string_view programFolder, const FoundFile& file,
                     const LastMoment& lastMoment = {});
bool RemoveProvenCopy(std::string_view programFolder, const FoundFile& file,
                      const std::vector<const FoundFile*>& copies, ProofProgress& progress,
                      const LastMoment& lastMoment = {});

class SystemFileRemoval final : public FileRemoval {
  public:
    explicit SystemFileRemoval(std::string programFolder)
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
