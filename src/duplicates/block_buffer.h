#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>

namespace bk {

// Room for bytes read from disk, kept from one set of files to the next and grown when a set
// needs more. Not cleared: every byte used is read first.
class BlockBuffer {
  public:
    unsigned char* atLeast(std::size_t size) {
        if (size > size_) {
            bytes_.reset(); // the old bytes go first: both at once would double the peak
            bytes_.reset(new unsigned char[size]);
            size_ = size;
        }
        return bytes_.get();
    }
    // The same, but the bytes held so far stay.
    unsigned char* keeping(std::size_t size) {
        if (size > size_) {
            const std::size_t grown = std::max(size, size_ * 2);
            std::unique_ptr<unsigned char[]> bytes(new unsigned char[grown]);
            std::copy(bytes_.get(), bytes_.get() + size_, bytes.get());
            bytes_ = std::move(bytes);
            size_ = grown;
        }
        return bytes_.get();
    }

  private:
    std::unique_ptr<unsigned char[]> bytes_;
    std::size_t size_ = 0;
};

} // namespace bk
