#pragma once

#include <cstddef>
#include <memory>

namespace bk {

// Room for bytes read from disk, kept from one set of files to the next and grown when a set
// needs more. Not cleared: every byte used is read first.
class BlockBuffer {
  public:
    unsigned char* atLeast(std::size_t size) {
        if (size > size_) {
            bytes_.reset(new unsigned char[size]);
            size_ = size;
        }
        return bytes_.get();
    }

  private:
    std::unique_ptr<unsigned char[]> bytes_;
    std::size_t size_ = 0;
};

} // namespace bk
