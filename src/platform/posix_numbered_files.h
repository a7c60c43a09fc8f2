#pragma once

#include "platform/numbered_files.h"
#include "platform/posix_folder_handles.h"
#include "platform/posix_ring.h"

#include <string>
#include <vector>

namespace bk {

// Numbered files over POSIX descriptors. Batches are opened relative to folders held open, and
// carried out through the system's submission ring where it has one.
class PosixNumberedFiles final : public NumberedFiles {
  public:
    explicit PosixNumberedFiles(std::string programFolder);
    ~PosixNumberedFiles() override;
    PosixNumberedFiles(const PosixNumberedFiles&) = delete;
    PosixNumberedFiles& operator=(const PosixNumberedFiles&) = delete;

    bool openForReading(int number, std::string_view name) override;
    void makeCurrent(int number) override;
    std::int64_t position() const override;
    std::int64_t read(unsigned char* buffer, std::int64_t length) override;
    std::optional<FileIdentity> currentIdentity() const override;
    bool seek(std::int64_t offset) override;
    void close(int number) override;
    void closeAll(std::span<const int> numbers) override;
    void openAndRead(std::span<FirstBytes> batch) override;
    void letFoldersGo() override { folders_.letAllGo(); }
    std::unique_ptr<NumberedFiles> another() const override;
    const Counters& counters() const override { return counters_; }

  private:
    void openOnceMore(std::span<FirstBytes> batch, const std::vector<std::size_t>& again,
                      std::vector<posix::Request>& opens, std::vector<std::size_t>& opened);
    // Keeps handle under number, in place of whatever the number held.
    void hold(int number, int handle);
    int handleOf(int number) const;
    std::string programFolder_;
    posix::FolderHandles folders_;
    posix::Requests requests_;
    std::vector<int> handles_; // -1 = no file
    // The number, not the handle, is remembered: once that number is closed, the current file
    // reads as absent instead of reaching a descriptor the system may already have reused.
    int current_ = -1;
    Counters counters_;
};

} // namespace bk
