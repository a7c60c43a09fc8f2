#pragma once

#include "platform/numbered_files.h"
#include "platform/win32_handle.h"

#include <string>
#include <vector>

namespace bk {

// Numbered files over Win32 handles. Every file is opened by its full path in the long form; no
// folder is held between batches, so letFoldersGo has nothing to let go.
class Win32NumberedFiles final : public NumberedFiles {
  public:
    explicit Win32NumberedFiles(std::string programFolder);
    Win32NumberedFiles(const Win32NumberedFiles&) = delete;
    Win32NumberedFiles& operator=(const Win32NumberedFiles&) = delete;

    bool openForReading(int number, std::string_view name) override;
    void makeCurrent(int number) override { current_ = number; }
    std::int64_t position() const override;
    std::int64_t read(unsigned char* buffer, std::int64_t length) override;
    std::optional<FileIdentity> currentIdentity() const override;
    bool seek(std::int64_t offset) override;
    void close(int number) override;
    void closeAll(std::span<const int> numbers) override;
    void openAndRead(std::span<FirstBytes> batch) override;
    void letFoldersGo() override {}
    std::unique_ptr<NumberedFiles> another() const override;
    const Counters& counters() const override { return counters_; }

  private:
    // Keeps file under number, in place of whatever the number held.
    void hold(int number, win32::Handle file);
    // Null when number holds no file.
    HANDLE handleOf(int number) const;
    void readFirstBytes(FirstBytes& file);

    std::string programFolder_;
    std::vector<win32::Handle> handles_;
    // The number, not the handle, is remembered: once that number is closed, the current file
    // reads as absent instead of reaching a handle the system may already have given again.
    int current_ = -1;
    Counters counters_;
};

} // namespace bk
