#pragma once

#include "platform/numbered_files.h"

#include <string>
#include <vector>

namespace bk {

// Numbered files over POSIX descriptors. The leading blocks of many files are read on up to
// readers threads, used only when there are files enough to share. Each thread takes the files
// in turns of a few dozen, in the order given, and keeps the folder of its latest file open, so
// that a run of files of one folder costs one walk of the folder's path.
class PosixNumberedFiles final : public NumberedFiles {
  public:
    PosixNumberedFiles(std::string programFolder, unsigned readers);
    ~PosixNumberedFiles() override;
    PosixNumberedFiles(const PosixNumberedFiles&) = delete;
    PosixNumberedFiles& operator=(const PosixNumberedFiles&) = delete;

    bool openForReading(int number, std::string_view name) override;
    bool openForReadingAtSize(int number, std::string_view name, std::int64_t size) override;
    void makeCurrent(int number) override;
    std::int64_t position() const override;
    std::int64_t read(unsigned char* buffer, std::int64_t length) override;
    std::optional<FileIdentity> currentIdentity() const override;
    bool seek(std::int64_t offset) override;
    void close(int number) override;
    void readLeadingBlocks(LeadingBlocks& blocks) override;
    const Counters& counters() const override { return counters_; }

  private:
    bool openRegularFile(int number, std::string_view name, std::optional<std::int64_t> size);
    bool adopt(int number, int handle, std::optional<std::int64_t> size);
    int handleOf(int number) const;
    std::string programFolder_;
    unsigned readers_;
    std::vector<int> handles_; // -1 = no file
    // The number, not the handle, is remembered: once that number is closed, the current file
    // reads as absent instead of reaching a descriptor the system may already have reused.
    int current_ = -1;
    Counters counters_;
};

} // namespace bk
