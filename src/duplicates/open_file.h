#pragma once

#include "platform/numbered_files.h"

#include <cstdint>
#include <optional>
#include <string>

namespace bk {

// A file opened under a number of the numbered files for as long as its owner lives, and only
// when it has the size it was catalogued with.
class OpenFile {
  public:
    OpenFile(NumberedFiles& files, int number, const std::string& path, std::int64_t size)
        : files_(files), number_(number), open_(files.openForReadingAtSize(number, path, size)) {}
    ~OpenFile() { files_.close(number_); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    bool isOpen() const { return open_; }

    // Reads length bytes at the file's offset; false when fewer came.
    bool readBlock(unsigned char* into, std::int64_t length) {
        files_.makeCurrent(number_);
        return open_ && files_.read(into, length) == length;
    }
    bool seek(std::int64_t offset) {
        files_.makeCurrent(number_);
        return open_ && files_.seek(offset);
    }
    // The size the open handle sees now.
    std::optional<std::int64_t> sizeNow() const {
        files_.makeCurrent(number_);
        const std::optional<FileIdentity> now = open_ ? files_.currentIdentity() : std::nullopt;
        return now ? std::optional<std::int64_t>(now->size) : std::nullopt;
    }

  private:
    NumberedFiles& files_;
    int number_;
    bool open_;
};

} // namespace bk
